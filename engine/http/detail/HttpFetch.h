#pragma once

#ifndef QUILLMOTH_ROOM_engine_http
#error "http/detail/ is the http room's own: include its public headers"
#endif

#include "http/HttpResponse.h"

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class BodyReceiver;
class RangeRequest;
class SpeedLimit;
struct FetchBounds;
struct HttpRequest;
struct MovieWriteContext;

// The two kinds of transfer HttpClient makes on a handle: a page into
// memory, and a body handed to its receiver; and what every request and
// the pool's share. Private to the http room.
class HttpFetch {
public:
    explicit HttpFetch(const HttpRequest& request);

    HttpResponse page(CURL* curl, const HttpRequest& request, std::string& text) const;
    HttpResponse body(CURL* curl, const HttpRequest& request, BodyReceiver& receiver) const;

    // Options every request shares: the bounds, the protocols, what a
    // browser would send. The pool sets them on each of its connections.
    static void setCommonOptions(CURL* curl, const std::string& url, const FetchBounds& bounds);
    // The response as far as curl and the range's headers know it now.
    static HttpResponse response(CURL* curl, const RangeRequest* range, const std::string& asked);
    // What a transfer's code means (page and body alike).
    static HttpResponse::Failure failureOf(CURLcode code);
    // libcurl's socket opener: refuses an address beyond the space reach
    // (a NetworkSpace) points to.
    static curl_socket_t openSocket(void* reach, curlsocktype purpose, curl_sockaddr* address);
    // The cookies curl holds now, in the Netscape line form.
    static std::vector<std::string> cookies(CURL* curl);
    // The error text of the calling thread's last transfer.
    static std::string lastError();

    // libcurl's write and progress callbacks of the page; page is its
    // PageBuffer.
    static size_t pageWriter(char* data, size_t size, size_t nmemb, void* page);
    static int pageProgress(void* page, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                            curl_off_t ulnow);
    // libcurl's write and progress callbacks of a body; context is its
    // MovieWriteContext.
    static size_t movieWriter(void* data, size_t size, size_t nmemb, void* context);
    static int movieProgress(void* context, curl_off_t dltotal, curl_off_t dlnow,
                             curl_off_t ultotal, curl_off_t ulnow);

private:
    std::size_t maxPageBytes;
    std::chrono::seconds deadline;
    std::int64_t floorBytesPerSecond;
    std::chrono::seconds floorWindow;
    std::int64_t floorMinShare;
    std::shared_ptr<SpeedLimit> limit;
};
