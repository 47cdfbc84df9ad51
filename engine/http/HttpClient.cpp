#include "HttpClient.h"

#include "detail/CurlHandle.h"
#include "detail/HttpFetch.h"

HttpClient::HttpClient() = default;
HttpClient::~HttpClient() = default;

bool HttpClient::ready(const HttpRequest& request) {
    if (!handle_)
        handle_ = std::make_unique<CurlHandle>(request.bounds.mayMakeHandle);
    if (*handle_)
        return true;
    // A library that could not make one is asked again next time.
    handle_.reset();
    return false;
}

// Runs on the caller's thread.
HttpResponse HttpClient::page(const HttpRequest& request, std::string& text) {
    if (!ready(request)) {
        HttpResponse none;
        none.address = request.url;
        none.failure = HttpResponse::Failure::NoHandle;
        return none;
    }
    return HttpFetch(request).page(handle_->get(), request, text);
}

// Runs on the caller's thread.
HttpResponse HttpClient::body(const HttpRequest& request, BodyReceiver& receiver) {
    if (!ready(request)) {
        HttpResponse none;
        none.address = request.url;
        none.failure = HttpResponse::Failure::NoHandle;
        return none;
    }
    return HttpFetch(request).body(handle_->get(), request, receiver);
}

HttpResponse HttpClient::fetchPage(const HttpRequest& request, std::string& text) {
    return HttpClient().page(request, text);
}

bool HttpClient::initGlobal() {
    return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

void HttpClient::cleanupGlobal() {
    curl_global_cleanup();
}
