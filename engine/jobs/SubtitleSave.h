#pragma once

#include "page/SubtitleTrack.h"

#include <cstddef>
#include <string>
#include <vector>

class JobReporter;
struct JobOptions;

// The subtitle tracks a download keeps beside its movie, once the movie is
// saved: those options.subtitles wants, in the forms kept (WebVTT, SRT),
// each fetched as every other request is and bounded (maxBytes), checked
// to be what it says, and committed as TITLE.LANG.vtt (TITLE the movie's
// saved name, its copy number included) without ever replacing a file. An
// HLS rendition's WebVTT segments are joined into one file. A track that
// cannot be had is said (Reason::SubtitlesFailed) and the rest go on.
class SubtitleSave {
public:
    // title: the movie's file name without its extension. Runs on the job's
    // worker thread; the names saved, in order.
    static std::vector<std::string> save(const std::vector<SubtitleTrack>& tracks,
                                         const JobOptions& options, const std::string& title,
                                         const JobReporter& reporter);

    // The name a track is saved under before any copy number: TITLE.LANG.vtt,
    // or TITLE.vtt for a track of no language (or one no file name may hold).
    static std::string fileName(const std::string& title, const SubtitleTrack& track);
    // Whether text is the form it claims: WebVTT's signature line, SRT's
    // numbered cues.
    static bool looksLike(SubtitleTrack::Form form, const std::string& text);

    static constexpr std::size_t maxBytes = 16 << 20;
};
