#pragma once

#include <string>
#include <vector>

// The subtitles saved beside a movie: TITLE.LANG.vtt, TITLE.LANG.srt, or
// TITLE.vtt / TITLE.srt for a track without a language, where TITLE is the
// movie's file name without its extension ("Clip(1).mp4" has
// "Clip(1).en.vtt"); a second file of one language is its copy,
// TITLE.LANG(1).vtt. Reads the folder only.
class SubtitleFiles {
public:
    SubtitleFiles() = delete;

    struct Track {
        std::string path;
        // As in the name ("en", "pt-BR"); empty when it names none.
        std::string language;
        // SubRip, which the browser cannot read as it is.
        bool srt = false;
    };

    // By language (none first), WebVTT before SubRip; none when the folder
    // cannot be read.
    static std::vector<Track> beside(const std::string& movie);
    // The files of beside() that go with movie alone, which follow it when
    // it is renamed or deleted: none while another media file of its title
    // (Clip.flv beside Clip.mp4) shows them too.
    static std::vector<std::string> ownedBy(const std::string& movie);
    // Where subtitle, beside movie, goes when movie is renamed to renamed.
    static std::string following(const std::string& subtitle, const std::string& movie,
                                 const std::string& renamed);
};
