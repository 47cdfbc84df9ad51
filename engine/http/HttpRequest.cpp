#include "HttpRequest.h"

#include "detail/RangeRequest.h"

#include <utility>

HttpRequest HttpRequest::page(std::string url, const FetchBounds& bounds) {
    HttpRequest request;
    request.url = std::move(url);
    request.bounds = bounds;
    request.maxBytes = bounds.maxPageBytes;
    request.deadlineSeconds = bounds.pageDeadlineSeconds;
    return request;
}

HttpRequest HttpRequest::body(std::string url, const FetchBounds& bounds) {
    HttpRequest request;
    request.url = std::move(url);
    request.bounds = bounds;
    request.isBody = true;
    return request;
}

HttpRequest& HttpRequest::from(long long offset, std::string tag, long long size) {
    rangeFrom = offset;
    rangeTo = 0;
    headOnly = false;
    validator = std::move(tag);
    total = size;
    return *this;
}

HttpRequest& HttpRequest::piece(long long first, long long end, std::string tag, long long size) {
    rangeFrom = first;
    rangeTo = end;
    headOnly = false;
    validator = std::move(tag);
    total = size;
    return *this;
}

HttpRequest& HttpRequest::head(long long bytes) {
    rangeFrom = 0;
    rangeTo = bytes;
    validator.clear();
    total = 0;
    headOnly = bytes > 0;
    return *this;
}

bool HttpRequest::ranged() const {
    return RangeRequest::of(*this).ranged();
}
