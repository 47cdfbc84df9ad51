#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CancelToken;
class SpeedLimit;
struct FetchBounds;
struct MovieWriteContext;

// The two kinds of transfer the engine makes with libcurl: a page (or a
// picture) into memory, and a movie handed to its receiver. Both follow at
// most maxRedirects redirects over http(s) only, give up connecting after
// connectSeconds and fail once nothing arrives for the options'
// stallSeconds. A page has a total deadline besides; the movie keeps to the
// options' speed limit and fails below their low-speed floor.
class HttpFetch {
public:
    // Bounded by bounds.stallSeconds, bounds.maxPageBytes and
    // bounds.pageDeadlineSeconds.
    explicit HttpFetch(const FetchBounds& bounds);
    // The same with another bound on what page() takes.
    HttpFetch(const FetchBounds& bounds, std::size_t maxBytes);
    // The same with other bounds on what page() takes and how long it may
    // last (seconds; 0: no deadline), e.g. a picture's.
    HttpFetch(const FetchBounds& bounds, std::size_t maxBytes, long deadlineSeconds);

    // The page at url into text. Stops when cancel (may be null) is set; a
    // page over maxPageBytes, announced or not, ends it with
    // CURLE_FILESIZE_EXCEEDED; one still coming when the deadline passes,
    // with deadlinePassed.
    CURLcode page(CURL* curl, const std::string& url, std::string& text,
                  const CancelToken* cancel = nullptr) const;
    // Whether an answer is media, from its Content-Type and first bytes.
    using MediaTest = std::function<bool(std::string_view type, std::string_view first)>;
    // The same, but an answer isMedia says is media is not read as a page:
    // the fetch ends at its first bytes with answeredMedia, so that it can
    // be fetched as a movie (the page's size bound is then not asked of it
    // in advance either).
    CURLcode page(CURL* curl, const std::string& url, std::string& text, const CancelToken* cancel,
                  const MediaTest& isMedia) const;
    static constexpr CURLcode answeredMedia = CURLE_WRITE_ERROR;
    // The cookies curl holds now, in the Netscape line form, to hand on to
    // the next fetch of the same job.
    static std::vector<std::string> cookies(CURL* curl);
    // What page() answers when its deadline passed: the code of a transfer
    // its progress callback ended, which a cancel gives too (a caller that
    // passed a token looks at it first).
    static constexpr CURLcode deadlinePassed = CURLE_ABORTED_BY_CALLBACK;

    // The movie at url, asked for as context.range says and handed to
    // context.receiver; an HTTP error status fails it. A transfer below the
    // low-speed floor fails as a stalled one does, with
    // CURLE_OPERATION_TIMEDOUT.
    CURLcode movie(CURL* curl, const std::string& url, MovieWriteContext& context) const;
    // The address curl last fetched from, after any redirect; asked when it
    // fetched nothing.
    static std::string finalAddress(CURL* curl, const std::string& asked);
    // The last answer's status and Content-Type (empty when it had none).
    static long status(CURL* curl);
    static std::string contentType(CURL* curl);

    // libcurl's write and progress callbacks of the page; page is its
    // PageBuffer.
    static size_t pageWriter(char* data, size_t size, size_t nmemb, void* page);
    static int pageProgress(void* page, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                            curl_off_t ulnow);
    // libcurl's write and progress callbacks of the movie; context is its
    // MovieWriteContext.
    static size_t movieWriter(void* data, size_t size, size_t nmemb, void* context);
    static int movieProgress(void* context, curl_off_t dltotal, curl_off_t dlnow,
                             curl_off_t ultotal, curl_off_t ulnow);

    static constexpr long maxRedirects = 10;
    static constexpr long connectSeconds = 30;

    // Options every request of a movie or page shares: the bounds, the
    // protocols, what a browser would send. SegmentedFetch sets them on
    // each of its connections.
    void setCommonOptions(CURL* curl, const std::string& url) const;

private:
    CURLcode readPage(CURL* curl, const std::string& url, std::string& text,
                      const CancelToken* cancel, const MediaTest* isMedia) const;

    long stallSeconds;
    std::size_t maxPageBytes;
    std::chrono::seconds deadline;
    std::int64_t floorBytesPerSecond;
    std::chrono::seconds floorWindow;
    std::int64_t floorMinShare;
    std::shared_ptr<SpeedLimit> limit;
    std::string referer;
    std::string userAgent;
    std::vector<std::string> cookieLines;
};
