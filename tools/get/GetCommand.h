#pragma once

#include "base/CancelToken.h"
#include "jobs/SubtitleChoice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct JobOptions;

// quillmoth-get: one download job for one watch page, from the command line.
// The job's status lines (StatusLines) go to stdout as they come; a live
// progress line goes to stderr when stderr is a terminal.
class GetCommand {
public:
    struct Options {
        std::string url;
        std::string title; // empty: named after the page's headline
        int quality = 4;
        // --source N: the page's Nth source as --list numbers them; 0: the
        // quality's choice.
        int source = 0;
        // --list: print the page's sources instead of saving one.
        bool list = false;
        bool mp3 = false;
        std::string movies = ".";
        std::string music = ".";
        // --continue: a stopped or failed run keeps its part file, and a
        // run with it continues the one of the same title and folder.
        bool resume = false;
        // --limit-rate: the movie's download speed in bytes a second; 0: none.
        std::int64_t limitRate = 0;
        // --connections: how many connections one file may be fetched over.
        int connections = defaultConnections;
        // --cookies FILE (its cookie lines, Netscape's form), --referer,
        // --user-agent: what a browser would send.
        std::vector<std::string> cookies;
        std::string referer;
        std::string userAgent;
        // --subtitles LANGS: the subtitle tracks saved beside the movie.
        SubtitleChoice subtitles;
    };

    enum class Parsed { Run, Help, Version, Usage };
    static constexpr int defaultConnections = 4;
    static constexpr int maxConnections = 16;

    // Reads the arguments into options; on Usage, error says what is wrong.
    static Parsed parse(int argc, char** argv, Options& options, std::string& error);
    static std::string usage();
    // "quillmoth-get <version>", the version of the project's build.
    static std::string version();

    // Runs the job and waits for its last text. 0 when the job ended well,
    // 1 when it reported an error, Cancelled when cancel stopped it (its
    // temporary files are gone then).
    static int run(const Options& options, std::shared_ptr<const CancelToken> cancel = {});
    static constexpr int Cancelled = -1;
    // --list: prints the sources the page offers beyond its stream map, one
    // a line ("N<TAB>label<TAB>address"), and saves nothing. 0 when it
    // offers any, else 1 after the job's error line; Cancelled as run().
    static int list(const Options& options, const CancelToken* cancel = nullptr);

    // Title used when none is given: the headline of job's page, fetched
    // within job's bounds, made safe as one file name, or "video".
    static std::string titleFromPage(const JobOptions& job, const CancelToken* cancel = nullptr);
};
