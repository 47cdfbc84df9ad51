#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <string>

class CancelToken;
struct MovieTransfer;

// The two transfers a download job makes with libcurl: the watch page into
// memory, and the movie into its part file. Both follow at most
// maxRedirects redirects over http(s) only, give up connecting after
// connectSeconds and fail once nothing arrives for stallSeconds.
class HttpFetch {
public:
    // The page at url into text. Stops when cancel (may be null) is set; a
    // page over maxPageBytes, announced or not, ends it with
    // CURLE_FILESIZE_EXCEEDED.
    static CURLcode page(CURL* curl, const std::string& url, std::string& text,
                         const CancelToken* cancel = nullptr);
    // The movie at url through transfer; an HTTP error status fails it.
    static CURLcode movie(CURL* curl, const std::string& url, MovieTransfer& transfer);
    // The address curl last fetched from, after any redirect; asked when it
    // fetched nothing.
    static std::string finalAddress(CURL* curl, const std::string& asked);

    // libcurl's write callback of the page; page is its PageBuffer.
    static size_t pageWriter(char* data, size_t size, size_t nmemb, void* page);
    // libcurl's write and progress callbacks of the movie; transfer is its
    // MovieTransfer.
    static size_t movieWriter(void* data, size_t size, size_t nmemb, void* transfer);
    static int movieProgress(void* transfer, curl_off_t dltotal, curl_off_t dlnow,
                             curl_off_t ultotal, curl_off_t ulnow);

    static constexpr long maxRedirects = 10;
    static constexpr long connectSeconds = 30;
    // A transfer that receives nothing for this long fails. Tests shorten it.
    static long stallSeconds;
    // A watch page larger than this fails as a page fetch. Tests shorten it.
    static std::size_t maxPageBytes;
};
