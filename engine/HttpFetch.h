#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <memory>
#include <string>

class CancelToken;
class SpeedLimit;
struct JobOptions;
struct MovieTransfer;

// The two transfers a download job makes with libcurl: the watch page into
// memory, and the movie into its part file. Both follow at most
// maxRedirects redirects over http(s) only, give up connecting after
// connectSeconds and fail once nothing arrives for the options'
// stallSeconds. The movie keeps to the options' speed limit.
class HttpFetch {
public:
    // Bounded by options.stallSeconds and options.maxPageBytes.
    explicit HttpFetch(const JobOptions& options);
    // The same with another bound on what page() takes.
    HttpFetch(const JobOptions& options, std::size_t maxBytes);

    // The page at url into text. Stops when cancel (may be null) is set; a
    // page over maxPageBytes, announced or not, ends it with
    // CURLE_FILESIZE_EXCEEDED.
    CURLcode page(CURL* curl, const std::string& url, std::string& text,
                  const CancelToken* cancel = nullptr) const;
    // The movie at url through transfer; an HTTP error status fails it.
    CURLcode movie(CURL* curl, const std::string& url, MovieTransfer& transfer) const;
    // The address curl last fetched from, after any redirect; asked when it
    // fetched nothing.
    static std::string finalAddress(CURL* curl, const std::string& asked);
    // The last answer's status and Content-Type (empty when it had none).
    static long status(CURL* curl);
    static std::string contentType(CURL* curl);

    // libcurl's write callback of the page; page is its PageBuffer.
    static size_t pageWriter(char* data, size_t size, size_t nmemb, void* page);
    // libcurl's write and progress callbacks of the movie; transfer is its
    // MovieTransfer.
    static size_t movieWriter(void* data, size_t size, size_t nmemb, void* transfer);
    static int movieProgress(void* transfer, curl_off_t dltotal, curl_off_t dlnow,
                             curl_off_t ultotal, curl_off_t ulnow);

    static constexpr long maxRedirects = 10;
    static constexpr long connectSeconds = 30;

private:
    // Options shared by both transfers.
    void setCommonOptions(CURL* curl, const std::string& url) const;

    long stallSeconds;
    std::size_t maxPageBytes;
    std::shared_ptr<SpeedLimit> limit;
};
