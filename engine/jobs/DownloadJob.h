#pragma once

#include "base/Reason.h"
#include "http/HttpResponse.h"
#include "jobs/Job.h"
#include "jobs/SourceRef.h"
#include "media/Mp3Tags.h"
#include "page/StreamManifest.h"
#include "page/SubtitleTrack.h"

#include <memory>
#include <string>
#include <vector>

class MovieDownload;
class PageOffer;
class StreamChoice;

// One download: fetches a watch page, names the file after its headline
// when no title was asked for, picks a stream (its stream map's, else one
// of the sources it names), saves the movie (MovieDownload) or an HLS or
// DASH stream (StreamPlan, StreamDownload) and converts it to MP3 when
// asked (ConvertJob). A direct link to media or to a stream is saved as it
// is.
class DownloadJob : public Job {
public:
    // The title asked for is made safe as FileTitle::safe does; an empty
    // one means the page's headline, or "video" when it has none.
    DownloadJob(JobOptions options, int id, JobSink sink,
                std::shared_ptr<const CancelToken> cancel = {});

    void run() override;

    // The title a job finds for the page at options.pageUrl (fetched once
    // more): its headline, else og:title, the JSON-LD name or <title>; a
    // direct link's file name (unasked when the address names a media
    // file); "video" when there is none. Made safe as one file name.
    static std::string pageTitle(const JobOptions& options, const CancelToken* cancel);

private:
    // What the saving step takes.
    struct Target {
        bool chosen = false;
        // Why nothing was chosen.
        Reason missing = Reason::NoStream;
        // A source asked for by number or bound by label: the stream map
        // does not override it.
        bool byNumberOrLabel = false;
        std::string url;
        // The movie's, with its dot, until its first bytes say.
        std::string extension;
        // A stream, and its manifest once fetched.
        StreamManifest::Kind stream = StreamManifest::Kind::None;
        std::string manifest;
        // Its answer decides whether it is a whole file or a stream.
        bool probe = false;
        // A bound source the page no longer names: gone unless its address
        // still answers with media or a stream.
        bool goneUnlessAnswered = false;
        SourceRef source;
        // What the probe's answer came to when it was taken over as the movie.
        HttpResponse answer;
    };
    // The page's source the job takes (PageOffer), if any.
    void choose(const PageOffer& offer, Target& target) const;
    // The stream map's, which wins unless a source was asked for.
    void chooseStreamMap(const StreamChoice& stream, Target& target) const;
    // Asks for the target to see what it is: media (taken over as the movie
    // named title, in taken), or a stream's manifest (kept). False when it
    // is neither or could not be fetched, the failure sent.
    bool probe(JobOptions& saveOptions, Target& target, const std::string& title,
               std::unique_ptr<MovieDownload>& taken) const;
    // What follows a saved movie: its subtitles, then its MP3 (tags, the
    // cover's address) if asked, fetched within options.
    struct After {
        Mp3Tags tags;
        const std::string& picture;
        const JobOptions& options;
        const std::vector<SubtitleTrack>& subtitles;
    };
    // The movie at saved is done: its subtitles saved, converted when
    // asked, else finished.
    void finishSaved(const std::string& saved, const std::string& title, After after) const;
    // The movie that took over an answer (answer: what it came to) is saved
    // and finished, or its failure sent.
    void finishTakenOver(MovieDownload& movie, const HttpResponse& answer, After after) const;
};
