#include "http/HttpRequest.h"

#include "http/detail/RangeRequest.h"

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
    headOnly = segmentOnly = false;
    validator = std::move(tag);
    total = size;
    return *this;
}

HttpRequest& HttpRequest::piece(long long first, long long end, std::string tag, long long size) {
    rangeFrom = first;
    rangeTo = end;
    headOnly = segmentOnly = false;
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
    segmentOnly = false;
    return *this;
}

HttpRequest& HttpRequest::segment(long long first, long long end) {
    rangeFrom = first;
    rangeTo = end;
    validator.clear();
    total = 0;
    headOnly = false;
    segmentOnly = first >= 0 && end > first;
    return *this;
}

bool HttpRequest::ranged() const {
    return RangeRequest::of(*this).ranged();
}
