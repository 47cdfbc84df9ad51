#pragma once

#include "HttpRequest.h"
#include "HttpResponse.h"

#include <memory>
#include <string>

class BodyReceiver;
class CurlHandle;

// Runs requests, one after the other on the caller's thread, over one
// connection it keeps (and the cookies answers set): a page into memory, or
// a body handed to its receiver. Every fetch follows at most maxRedirects
// redirects over http(s) only, gives up connecting after connectSeconds and
// fails once nothing arrives for the bounds' stallSeconds; a page has its
// size bound and deadline besides, a body keeps to the speed limit and
// fails below the low-speed floor. Blocking.
class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // The page request.url into text (what came of it when it failed).
    HttpResponse page(const HttpRequest& request, std::string& text);
    // The body request.url, asked for as its range says, into receiver; an
    // HTTP error status fails it (ErrorStatus) before a byte is handed over.
    HttpResponse body(const HttpRequest& request, BodyReceiver& receiver);

    // One page on a client of its own.
    static HttpResponse fetchPage(const HttpRequest& request, std::string& text);

    // The library's process-wide set-up and its end: once, before any
    // thread fetches and after the last has.
    static bool initGlobal();
    static void cleanupGlobal();

    static constexpr long maxRedirects = 10;
    static constexpr long connectSeconds = 30;

private:
    // Made at the first request, when bounds.mayMakeHandle allows.
    bool ready(const HttpRequest& request);
    std::unique_ptr<CurlHandle> handle_;
};
