#include "tools/get/GetCommand.h"

#include "base/TransferRate.h"
#include "files/FileTitle.h"
#include "files/StagedFile.h"
#include "http/HostBudget.h"
#include "http/SpeedLimit.h"
#include "jobs/DownloadJob.h"
#include "jobs/PageOffer.h"
#include "tools/get/RateLine.h"
#include "tools/get/ResumeNote.h"
#include "tools/get/StatusLines.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

// The cookie lines of a Netscape cookies file (as curl and wget read it):
// comments and blank lines skipped, "#HttpOnly_" lines kept. Never printed.
bool readCookies(const std::string& path, std::vector<std::string>& lines) {
    std::ifstream in(path);
    if (!in)
        return false;
    constexpr std::size_t maxLines = 100000;
    std::string line;
    while (std::getline(in, line) && lines.size() < maxLines) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || (line[0] == '#' && line.rfind("#HttpOnly_", 0) != 0))
            continue;
        lines.push_back(line);
    }
    return !in.bad();
}

// State of the one job this process runs; written by the job's callbacks on
// its worker thread, read by main after the join.
bool sawError = false;
Reason failedWith = Reason::None;
bool sawCancel = false;
bool progressShown = false;
bool progressOnTerminal = false;
double lastReceived = 0;
std::chrono::steady_clock::time_point lastDrawn;
TransferRate rate;
// The run's stable part file, and the part file the job said it writes.
std::string stablePart;
std::string partInUse;

std::string humanBytes(double bytes) {
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    char out[32];
    std::snprintf(out, sizeof out, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, units[unit]);
    return out;
}

void drawProgress(double total, double received, std::chrono::steady_clock::time_point now) {
    // "2.4 MB/s, 0:42 left": the speed of the last few seconds, not since the start.
    const std::string speed = RateLine::of(rate);
    if (total > 0) {
        std::fprintf(stderr, "\r\033[K%5.1f%%  %s of %s  %s", 100.0 * received / total,
                     humanBytes(received).c_str(), humanBytes(total).c_str(), speed.c_str());
    } else {
        std::fprintf(stderr, "\r\033[K%s  %s", humanBytes(received).c_str(), speed.c_str());
    }
    std::fflush(stderr);
    lastDrawn = now;
}

// Runs on the job's worker thread: how much of the sound is MP3 so far.
void drawConversion(double done, double total) {
    const auto now = std::chrono::steady_clock::now();
    rate.add(now, done, total);
    if (progressShown && now - lastDrawn < std::chrono::milliseconds(100) && done < total)
        return;
    progressShown = true;
    const auto left = rate.timeLeft();
    std::fprintf(stderr, "\r\033[K%5.1f%%  converted  %s", total > 0 ? 100.0 * done / total : 0.0,
                 left ? RateLine::timeLeft(*left).c_str() : "");
    std::fflush(stderr);
    lastDrawn = now;
}

// Runs on the job's worker thread.
void onStatus(const std::string& text) {
    if (progressShown) {
        std::fputs("\n", stderr);
        progressShown = false;
    }
    std::fputs(text.c_str(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

// Runs on the job's worker thread, as often as libcurl reports.
void onProgress(double total, double received) {
    if (!progressOnTerminal) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    rate.add(now, received, total);
    if (!progressShown) {
        progressShown = true;
        drawProgress(total, received, now);
    } else if (now - lastDrawn >= std::chrono::milliseconds(100) ||
               (total > 0 && received >= total && lastReceived < total)) {
        drawProgress(total, received, now);
    }
    lastReceived = received;
}

bool readValue(int argc, char** argv, int& i, const char* name, std::string& value,
               std::string& error) {
    const std::size_t len = std::strlen(name);
    const char* arg = argv[i];
    if (std::strncmp(arg, name, len) == 0 && arg[len] == '=') {
        value = arg + len + 1;
        return true;
    }
    if (i + 1 >= argc) {
        error = std::string(name) + " needs a value";
        return false;
    }
    value = argv[++i];
    return true;
}

bool isOption(const char* arg, const char* name) {
    const std::size_t len = std::strlen(name);
    return std::strncmp(arg, name, len) == 0 && (arg[len] == '\0' || arg[len] == '=');
}

// Folder as given, without trailing "/" (the job adds one).
bool folderValue(std::string& folder, const char* name, std::string& error) {
    if (folder.empty()) {
        error = std::string(name) + " needs a folder";
        return false;
    }
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return true;
}

// Runs on the job's worker thread.
void onEvent(const JobEvent& event) {
    if (event.kind == JobEvent::Kind::Progress) {
        onProgress(event.total, event.done);
        return;
    }
    if (event.kind == JobEvent::Kind::ConvertProgress) {
        if (progressOnTerminal && event.total > 0)
            drawConversion(event.done, event.total);
        return;
    }
    // The conversion's pace is measured afresh.
    if (event.kind == JobEvent::Kind::Converting)
        rate.reset();
    if (event.kind == JobEvent::Kind::Failed) {
        sawError = true;
        failedWith = event.reason;
    } else if (event.kind == JobEvent::Kind::Cancelled || event.kind == JobEvent::Kind::Paused) {
        sawCancel = true;
    } else if (event.kind == JobEvent::Kind::Resumable) {
        partInUse = event.resume.partFile;
        // Only the stable name is found again; a run killed from here on
        // leaves what the next one needs to continue it.
        if (partInUse == stablePart)
            ResumeNote::write(stablePart, event.resume);
    }
    for (const std::string& line : StatusLines::lines(event)) {
        onStatus(line);
    }
}

} // namespace

std::string GetCommand::usage() {
    return "Usage: quillmoth-get [--title TEXT] [--quality N] [--mp3] [--movies DIR] [--music "
           "DIR]\n"
           "                     [--continue] [--limit-rate RATE] [--connections N]\n"
           "                     [--subtitles LANGS] [--cookies FILE]\n"
           "                     [--referer URL] [--user-agent TEXT] [--source N] URL\n"
           "       quillmoth-get --list [--cookies FILE] [--referer URL]\n"
           "                     [--user-agent TEXT] URL\n"
           "       quillmoth-get --help | --version\n"
           "\n"
           "Downloads the video of one watch page (its stream map, <video>/<source>,\n"
           "Open Graph or JSON-LD), or the media a direct link names.\n"
           "\n"
           "  --title TEXT   file title (default: the page's headline, its og:title,\n"
           "                 JSON-LD name or <title>, a direct link's file name, or\n"
           "                 \"video\")\n"
           "  --quality N    1 to 4 (default 4); 1 saves .mp4 when the page offers four\n"
           "                 streams or more, everything else is saved as .flv; among a\n"
           "                 page's <video> sources 4 takes the smallest, 1 the largest,\n"
           "                 2 the largest up to 720 lines, 3 up to 480\n"
           "  --list         print the sources the page offers beyond its stream map,\n"
           "                 one a line: number, label and address, separated by tabs,\n"
           "                 then its subtitle tracks: kind, language, label and\n"
           "                 address; nothing is saved\n"
           "  --source N     save the page's source N as --list numbers it, instead of\n"
           "                 the quality's choice or the stream map\n"
           "  --mp3          convert the movie to MP3 after the download, tagged with\n"
           "                 the title, the page's address and its picture as the cover\n"
           "  --movies DIR   folder for the movie (default: current folder)\n"
           "  --music DIR    folder for the MP3 (default: current folder)\n"
           "  --continue     keep the part file (TITLE.part in the movie folder) when\n"
           "                 stopped or failed, and continue it on a later run with\n"
           "                 --continue for the same title and folder\n"
           "  --limit-rate RATE\n"
           "                 at most RATE bytes a second for the movie; K, M or G after\n"
           "                 the number count 1024s (500K, 2M), as in curl\n"
           "  --connections N\n"
           "                 fetch one file over up to N connections, 1 to 16\n"
           "                 (default 4), when its server takes ranges and it is 4 MiB\n"
           "                 or more (aria2c's -x is the same idea); an HLS or DASH\n"
           "                 stream's segments over N connections too; at most 16 to\n"
           "                 one host in all\n"
           "  --subtitles LANGS\n"
           "                 also save the subtitle tracks of these languages\n"
           "                 (comma-separated codes: en,de; or all) beside the movie as\n"
           "                 TITLE.LANG.vtt (SRT kept as .srt)\n"
           "  --cookies FILE send the cookies of FILE (Netscape's cookies.txt, as curl\n"
           "                 and wget read it); they are never printed\n"
           "  --referer URL  send URL as the page a request comes from (the page\n"
           "                 itself is the movie's Referer by default)\n"
           "  --user-agent TEXT\n"
           "                 send TEXT as the user agent\n"
           "  -h, --help     show this text\n"
           "  --version      show the version of quillmoth-get\n"
           "\n"
           "Every status text of the job is printed on standard output, one per line.\n"
           "On a terminal, standard error shows one progress line: how much has arrived,\n"
           "the speed over the last few seconds and the time left at that speed; with\n"
           "--mp3, then how much of the sound is converted and the time left.\n"
           "Exit status: 0 done, 1 the job reported an error, 2 bad usage,\n"
           "130 or 143 stopped by SIGINT or SIGTERM (no partial file is left, unless\n"
           "--continue keeps it).\n";
}

std::string GetCommand::version() {
    // From the project's version in the top CMakeLists.txt.
    return std::string("quillmoth-get ") + QUILLMOTH_VERSION;
}

GetCommand::Parsed GetCommand::parse(int argc, char** argv, Options& options, std::string& error) {
    bool haveUrl = false;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        std::string value;
        if (optionsEnded || arg[0] != '-' || std::strcmp(arg, "-") == 0) {
            if (haveUrl) {
                error = "only one URL may be given";
                return Parsed::Usage;
            }
            options.url = arg;
            haveUrl = true;
        } else if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            return Parsed::Help;
        } else if (std::strcmp(arg, "--version") == 0) {
            return Parsed::Version;
        } else if (std::strcmp(arg, "--mp3") == 0) {
            options.mp3 = true;
        } else if (std::strcmp(arg, "--list") == 0) {
            options.list = true;
        } else if (isOption(arg, "--source")) {
            if (!readValue(argc, argv, i, "--source", value, error))
                return Parsed::Usage;
            int number = 0;
            const char* end = value.data() + value.size();
            const auto [last, problem] = std::from_chars(value.data(), end, number);
            if (problem != std::errc() || last != end || number < 1) {
                error = "--source takes a number from 1, as --list numbers the sources";
                return Parsed::Usage;
            }
            options.source = number;
        } else if (std::strcmp(arg, "--continue") == 0) {
            options.resume = true;
        } else if (isOption(arg, "--title")) {
            if (!readValue(argc, argv, i, "--title", options.title, error)) {
                return Parsed::Usage;
            }
            if (options.title.empty()) {
                error = "--title needs a text";
                return Parsed::Usage;
            }
        } else if (isOption(arg, "--quality")) {
            if (!readValue(argc, argv, i, "--quality", value, error)) {
                return Parsed::Usage;
            }
            if (value.size() != 1 || value[0] < '1' || value[0] > '4') {
                error = "--quality must be 1, 2, 3 or 4";
                return Parsed::Usage;
            }
            options.quality = value[0] - '0';
        } else if (isOption(arg, "--limit-rate")) {
            if (!readValue(argc, argv, i, "--limit-rate", value, error)) {
                return Parsed::Usage;
            }
            const std::optional<std::int64_t> rate = SpeedLimit::parseRate(value);
            if (!rate) {
                error = "--limit-rate takes a number of bytes, or one with K, M or G after it";
                return Parsed::Usage;
            }
            options.limitRate = *rate;
        } else if (isOption(arg, "--connections")) {
            if (!readValue(argc, argv, i, "--connections", value, error))
                return Parsed::Usage;
            int number = 0;
            const char* end = value.data() + value.size();
            const auto [last, problem] = std::from_chars(value.data(), end, number);
            if (problem != std::errc() || last != end || number < 1 || number > maxConnections) {
                error = "--connections takes a number from 1 to 16";
                return Parsed::Usage;
            }
            options.connections = number;
        } else if (isOption(arg, "--subtitles")) {
            if (!readValue(argc, argv, i, "--subtitles", value, error))
                return Parsed::Usage;
            if (value.empty() || !SubtitleChoice::parse(value, options.subtitles)) {
                error = "--subtitles takes language codes separated by commas (en,de), or all";
                return Parsed::Usage;
            }
        } else if (isOption(arg, "--cookies")) {
            if (!readValue(argc, argv, i, "--cookies", value, error))
                return Parsed::Usage;
            if (!readCookies(value, options.cookies)) {
                error = "--cookies: cannot read the cookies file " + value;
                return Parsed::Usage;
            }
        } else if (isOption(arg, "--referer")) {
            if (!readValue(argc, argv, i, "--referer", options.referer, error))
                return Parsed::Usage;
        } else if (isOption(arg, "--user-agent")) {
            if (!readValue(argc, argv, i, "--user-agent", options.userAgent, error))
                return Parsed::Usage;
        } else if (isOption(arg, "--movies")) {
            if (!readValue(argc, argv, i, "--movies", options.movies, error) ||
                !folderValue(options.movies, "--movies", error)) {
                return Parsed::Usage;
            }
        } else if (isOption(arg, "--music")) {
            if (!readValue(argc, argv, i, "--music", options.music, error) ||
                !folderValue(options.music, "--music", error)) {
                return Parsed::Usage;
            }
        } else {
            error = std::string("unknown option ") + arg;
            return Parsed::Usage;
        }
    }
    if (!haveUrl) {
        error = "a watch page URL is needed";
        return Parsed::Usage;
    }
    return Parsed::Run;
}

std::string GetCommand::titleFromPage(const JobOptions& job, const CancelToken* cancel) {
    return DownloadJob::pageTitle(job, cancel);
}

namespace {

// The user's language as the environment names it ("de_DE.UTF-8" is "de-DE"),
// as gettext looks for it; empty for none or the C locale.
std::string userLanguage() {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0')
            continue;
        std::string language(value, std::strcspn(value, ":.@"));
        if (language == "C" || language == "POSIX")
            return {};
        for (char& c : language)
            c = c == '_' ? '-' : c;
        return language;
    }
    return {};
}

// What the job is asked, from the command line.
JobOptions jobOptionsOf(const GetCommand::Options& options) {
    JobOptions jobOptions;
    jobOptions.pageUrl = options.url;
    jobOptions.quality = options.quality;
    jobOptions.source = options.source;
    jobOptions.movieFolder = options.movies;
    jobOptions.musicFolder = options.music;
    jobOptions.convert = options.mp3;
    if (options.limitRate > 0)
        jobOptions.speedLimit = std::make_shared<SpeedLimit>(options.limitRate);
    jobOptions.connections = options.connections;
    jobOptions.hostBudget = std::make_shared<HostBudget>();
    jobOptions.cookies = options.cookies;
    jobOptions.referer = options.referer;
    jobOptions.userAgent = options.userAgent;
    jobOptions.language = userLanguage();
    jobOptions.subtitles = options.subtitles;
    return jobOptions;
}

} // namespace

int GetCommand::list(const Options& options, const CancelToken* cancel) {
    PageOffer offer;
    Reason failure = PageOffer::fetch(jobOptionsOf(options), cancel, offer);
    if (failure == Reason::Cancelled)
        return Cancelled;
    if (failure == Reason::None && offer.sources.empty())
        failure = Reason::NoStream;
    if (failure != Reason::None) {
        onStatus(StatusLines::line(failure));
        return 1;
    }
    for (std::size_t i = 0; i < offer.sources.size(); ++i) {
        const PageSource& source = offer.sources[i];
        std::printf("%zu\t%s\t%s\n", i + 1, source.label().c_str(), source.url.c_str());
    }
    // The page's subtitle tracks: kind, language, label and address.
    bool otherForms = false;
    for (const SubtitleTrack& track : offer.subtitles) {
        std::printf("%s\t%s\t%s\t%s\n", std::string(track.kindName()).c_str(),
                    track.language.c_str(), track.label.c_str(), track.url.c_str());
        otherForms = otherForms || track.form == SubtitleTrack::Form::Other;
    }
    if (otherForms)
        std::fputs("quillmoth-get: subtitles in forms other than WebVTT and SRT are not saved\n",
                   stderr);
    std::fflush(stdout);
    return 0;
}

int GetCommand::run(const Options& options, std::shared_ptr<const CancelToken> cancel) {
    JobOptions jobOptions = jobOptionsOf(options);
    jobOptions.title =
        options.title.empty() ? titleFromPage(jobOptions, cancel.get()) : options.title;
    if (cancel && cancel->cancelled()) {
        return Cancelled;
    }

    sawError = false;
    failedWith = Reason::None;
    sawCancel = false;
    progressShown = false;
    lastReceived = 0;
    rate.reset();
    progressOnTerminal = isatty(STDERR_FILENO) == 1;
    // Always the same name for a title and folder, so that a killed run's
    // part file is taken up (continued, or started over) by the next run.
    stablePart = StagedFile::stablePath(options.movies, FileTitle::safe(jobOptions.title), "");
    partInUse.clear();

    jobOptions.resume.partFile = stablePart;
    if (options.resume) {
        if (auto note = ResumeNote::read(stablePart))
            jobOptions.resume = std::move(*note);
    }
    auto job = std::make_unique<DownloadJob>(std::move(jobOptions), 0, onEvent, std::move(cancel));
    std::thread worker;
    try {
        // Runs on the worker thread, which owns the job and destroys it there.
        worker = std::thread([job = std::move(job)] { job->runToTheEnd(); });
    } catch (const std::system_error&) {
        std::fputs("quillmoth-get: cannot start the download thread\n", stderr);
        return 1;
    }
    worker.join();

    if (progressShown) {
        std::fputs("\n", stderr);
    }
    // The job keeps a part file it was given: this run removes what no
    // later run would continue (a committed one is gone already).
    if (!partInUse.empty() && (!options.resume || partInUse != stablePart))
        for (const std::string& file : ResumeState{.partFile = partInUse}.files())
            StagedFile::removeUnheld(file);
    if (partInUse == stablePart && ::access(stablePart.c_str(), F_OK) != 0)
        ResumeNote::remove(stablePart);
    if (sawCancel) {
        return Cancelled;
    }
    // The job's line says it found nothing; which number was too high is ours to say.
    if (failedWith == Reason::NoStream && options.source > 0)
        std::fprintf(stderr, "quillmoth-get: the page offers no source %d (--list shows them)\n",
                     options.source);
    return sawError ? 1 : 0;
}
