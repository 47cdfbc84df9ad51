#pragma once

#include "CancelToken.h"
#include "JobEvent.h"
#include "JobOptions.h"

#include <curl/curl.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct MovieTransfer;

// One download job: fetches a watch page, picks a stream, saves the movie
// and optionally converts it to MP3. Created on the window's thread, then
// owned and destroyed by its worker thread (entry()). Every event goes to
// the sink, on the worker thread; the cancel token stops the job at its next
// check (the transfer's progress calls, the wait for ffmpeg).
class DownloadJob {
public:
    DownloadJob(JobOptions options, int id, JobSink sink,
                std::shared_ptr<const CancelToken> cancel = {});

    // A job that only converts a movie saved earlier (movieFolder/title.type)
    // to MP3 in musicFolder at options.bitRate, reported like a transfer's
    // conversion step. The page URL and quality are not used.
    static std::unique_ptr<DownloadJob> conversion(JobOptions options, const std::string& type,
                                                   int id, JobSink sink,
                                                   std::shared_ptr<const CancelToken> cancel = {});

    // Thread entry: runs the pipeline on job, then deletes it.
    static unsigned runOwned(void* job);
    // Thread entry of a conversion job: converts, then deletes job.
    static unsigned convertOwned(void* job);
    // The thread entry that runs this job.
    using Entry = unsigned (*)(void*);
    Entry entry() const { return conversionOnly ? &convertOwned : &runOwned; }

    // The whole pipeline: the page, its stream, the movie, the conversion.
    bool run();

    // HTTP layer. fetchPage stops when cancel (may be null) is set; a page
    // over maxPageBytes, announced or not, ends it with
    // CURLE_FILESIZE_EXCEEDED.
    static CURLcode fetchPage(CURL* curl, const char* url, std::string& text,
                              const CancelToken* cancel = nullptr);
    CURLcode fetchMovie(CURL* curl, const char* url, MovieTransfer& transfer);
    // libcurl's write callback of the page; page is its PageBuffer.
    static size_t pageWriter(char* data, size_t size, size_t nmemb, void* page);
    // libcurl's write and progress callbacks of the movie; transfer is its
    // MovieTransfer.
    static size_t movieWriter(void* data, size_t size, size_t nmemb, void* transfer);
    static int movieProgress(void* transfer, curl_off_t dltotal, curl_off_t dlnow,
                             curl_off_t ultotal, curl_off_t ulnow);

    // Stream map and quality choice: percent-decodes pageText in place,
    // counts the map's entries (StreamMap) and sets streamUrl to the chosen
    // entry's address, read against the address curl fetched the page from
    // (pageUrl when it fetched nothing). False when the page offers none.
    bool chooseStream(CURL* curl);

    // Title extraction (window thread): the headline as the page shows it
    // (character references decoded), cleaned as safeTitle does, ";" and
    // "|" blanked, cut to 42 characters. Nothing when the page holds no
    // title (the caller keeps the one it had); a found title may be empty.
    // Any byte, NUL included, is page text.
    static std::optional<std::string> findTitle(std::string_view html);
    // A title made safe as a file name: control characters, NUL and "/"
    // become blanks, bidirectional controls go, leading blanks and dots and
    // trailing blanks go, and it is cut (at a character boundary) so that
    // every name made from it, temporary names included, fits the file
    // system's name limit. "video" when nothing is left.
    static std::string safeTitle(std::string title);

    // Movie step and conversion. The movie goes into options.partFile when
    // given (kept when the job fails or pauses, to continue it), else into
    // a temporary file removed on any stop.
    bool saveMovie();
    // The answer's body begins (on the worker thread, from the write callback
    // or after an empty body): decides from the answer whether the part file
    // is continued or started over, and what its first bytes are. False
    // when the answer is not the file asked for.
    // first and n: the body's first bytes as they arrived (none for an
    // empty body).
    bool bodyStarts(MovieTransfer& transfer, const char* first, std::size_t n);
    // The conversion step; false when it failed or was cancelled.
    bool convert();
    // Converts movieFolder/title.type into musicFolder/title.mp3 at
    // onRequestBitRate; false when ffmpeg failed, was cancelled or the title
    // leaves the folders. savedName (may be null) receives the file name the
    // MP3 was given, which differs when title.mp3 was taken.
    static bool converter(std::string movieFolder, std::string musicFolder, std::string title,
                          std::string type, const CancelToken* cancel = nullptr,
                          std::string* savedName = nullptr);

    // Extension of the movie file by the quality rule, with its dot.
    std::string movieExtension() const;
    // Path of the movie file: folder, title and the extension saved (or
    // to be saved) under.
    std::string movieFile() const;
    // A title names one file inside its folder: no "/", not "." or "..".
    static bool staysInFolder(const std::string& title);
    // The movie's first bytes showed container ("flv", "mp4" or empty for
    // neither): the file is saved and announced under that type.
    void containerSeen(const std::string& container);

    bool cancelled() const { return cancelToken && cancelToken->cancelled(); }
    // Stopped to continue later.
    bool paused() const { return cancelToken && cancelToken->pausing(); }
    // The last event of a job stopped on request.
    void stopped() const {
        if (paused())
            send(JobEvent::Kind::Paused, pausedText);
        else
            send(JobEvent::Kind::Cancelled, cancelledText);
    }
    // Events, on the worker thread.
    void send(JobEvent::Kind kind, std::string text = {}) const;
    void status(const char* text) const { send(JobEvent::Kind::Status, text); }
    void progress(double total, double received) const;

    // The last text of a job stopped on request.
    static constexpr const char* cancelledText = "Cancelled.";
    // The last text of a job paused on request.
    static constexpr const char* pausedText = "Paused.";
    // The last text of a conversion ffmpeg could not make.
    static constexpr const char* convertFailedText = "Error: Could not convert to mp3.";
    // The last text of a conversion that found no ffmpeg to run.
    static constexpr const char* ffmpegMissingText =
        "Error: ffmpeg was not found. Install it (sudo apt install ffmpeg) and try again.";
    // The last text of a conversion whose music folder takes no file.
    static constexpr const char* musicFolderText = "Error: Could not write to the music folder.";
    // ffmpeg's -ab of a conversion asked for after the transfer. "128k": a
    // bare 128 would ask the encoder for 128 bit/s.
    static constexpr const char* onRequestBitRate = "128k";

    // A transfer that receives nothing for this long fails. Tests shorten it.
    static long stallSeconds;
    // A watch page larger than this fails as a page fetch. Tests shorten it.
    static std::size_t maxPageBytes;
    static constexpr long maxRedirects = 10;
    static constexpr long connectSeconds = 30;
    // Longest title in bytes: ".flv" and a temporary name's extra bytes must fit NAME_MAX.
    static const std::size_t maxTitleBytes;

    std::string pageUrl;
    // No title was asked for: the page's headline names the file.
    bool titleFromPage;
    std::string fileTitle;
    int jobId;
    int quality;
    int streamCount = 0;
    bool convertToMp3;
    std::string movieFolder;
    std::string musicFolder;
    std::string bitRate;
    std::string pageText;
    std::string streamUrl;
    // ".flv" or ".mp4": the quality rule, then what the first bytes show.
    std::string savedExtension;
    JobSink sink;
    std::shared_ptr<const CancelToken> cancelToken;
    // Made by conversion(): no page to fetch, the movie is on disk already.
    bool conversionOnly = false;
    // What to continue (JobOptions): part file, validator and total size.
    std::string partFile;
    std::string resumeValidator;
    long long resumeTotal = 0;
};
