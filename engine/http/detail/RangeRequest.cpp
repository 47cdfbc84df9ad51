#include "http/detail/RangeRequest.h"

#include "http/HttpRequest.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

namespace {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

// A whole decimal number, or -1.
long long number(std::string_view text) {
    long long value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0 ? value : -1;
}

} // namespace

RangeRequest::RangeRequest(long long offset, std::string validator, long long total)
    : asked_(std::move(validator)), knownTotal_(total > 0 ? total : 0) {
    const bool oneLine = asked_.find_first_of("\r\n") == std::string::npos;
    if (offset > 0 && !asked_.empty() && oneLine && (knownTotal_ == 0 || offset <= knownTotal_))
        offset_ = offset;
}

RangeRequest RangeRequest::piece(long long from, long long to, std::string validator,
                                 long long total) {
    RangeRequest request;
    const bool oneLine = validator.find_first_of("\r\n") == std::string::npos;
    if (from < 0 || from >= to || to > total || validator.empty() || !oneLine)
        return request;
    request.asked_ = std::move(validator);
    request.knownTotal_ = total;
    request.offset_ = from;
    request.end_ = to;
    return request;
}

RangeRequest RangeRequest::head(long long bytes) {
    RangeRequest request;
    if (bytes <= 0)
        return request;
    request.end_ = bytes;
    request.head_ = true;
    return request;
}

RangeRequest RangeRequest::segment(long long from, long long to) {
    RangeRequest request;
    if (from < 0 || from >= to)
        return request;
    request.offset_ = from;
    request.end_ = to;
    request.segment_ = true;
    return request;
}

RangeRequest RangeRequest::of(const HttpRequest& request) {
    if (request.segmentOnly)
        return segment(request.rangeFrom, request.rangeTo);
    if (request.headOnly)
        return head(request.rangeTo);
    if (request.rangeTo > 0)
        return piece(request.rangeFrom, request.rangeTo, request.validator, request.total);
    return RangeRequest(request.rangeFrom, request.validator, request.total);
}

void RangeRequest::apply(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &RangeRequest::headerLine);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    if (!ranged())
        return;
    // libcurl copies the text.
    const std::string last = end_ > 0 ? std::to_string(end_ - 1) : std::string();
    curl_easy_setopt(curl, CURLOPT_RANGE, (std::to_string(offset_) + "-" + last).c_str());
    if (!head_ && !segment_) {
        headers_.reset(curl_slist_append(nullptr, ("If-Range: " + asked_).c_str()));
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers_.get());
    }
    // No Accept-Encoding: a range of an encoded body is no range of the
    // file. The first bytes ask as a whole file does: a server that sends it
    // whole, encoded, has it decoded (an encoded range is refused).
    if (!head_)
        curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, nullptr);
}

void RangeRequest::release(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    // The handle may ask again, for the whole stream.
    curl_easy_setopt(curl, CURLOPT_RANGE, nullptr);
}

RangeRequest::Answer RangeRequest::answer() const {
    // A part of a file is never taken for the file.
    if (!ranged())
        return status_ == 206 ? Answer::Refused : Answer::Fresh;
    if (head_) {
        // A server that ignores ranges sends the whole file.
        if (status_ == 200)
            return Answer::Fresh;
        const bool first = status_ == 206 && identity() && rangeFirst_ == 0 && rangeTotal_ > 0 &&
                           rangeLast_ >= 0 && rangeLast_ < rangeTotal_;
        if (!first)
            return Answer::Refused;
        return rangeLast_ == rangeTotal_ - 1 ? Answer::Fresh : Answer::Head;
    }
    if (!identity())
        return Answer::Refused;
    if (segment_)
        return status_ == 206 && rangeFirst_ == offset_ && rangeLast_ == end_ - 1 ? Answer::Append
                                                                                  : Answer::Refused;
    if (status_ == 200)
        return Answer::StartOver;
    // Without If-Range sent, a 206 could be a part of another file.
    const long long last = end_ > 0 ? end_ - 1 : rangeTotal_ - 1;
    const bool rest = status_ == 206 && headers_ && rangeFirst_ == offset_ && rangeTotal_ > 0 &&
                      rangeLast_ == last && (knownTotal_ == 0 || rangeTotal_ == knownTotal_);
    if (!rest)
        return Answer::Refused;
    return sameVersion() ? Answer::Append : Answer::Changed;
}

bool RangeRequest::sameVersion() const {
    // If-Range held a strong ETag or a Last-Modified date: the answer must
    // carry that same one; an answer without a validator proves nothing.
    const bool strongTag = !etag_.empty() && etag_.rfind("W/", 0) != 0;
    return (strongTag && etag_ == asked_) || (!lastModified_.empty() && lastModified_ == asked_);
}

long long RangeRequest::expectedSize() const {
    // A range from the end (416) holds nothing: the file is what is on disk.
    if (ranged() && status_ == 416)
        return knownTotal_ > 0 ? knownTotal_ : std::max(rangeTotal_, 0LL);
    // An appended 206 named the total it began with (answer() checked it).
    return total();
}

bool RangeRequest::complete(long status) const {
    const long long total = knownTotal_ > 0 ? knownTotal_ : rangeTotal_;
    return ranged() && !head_ && status == 416 && offset_ == total &&
           (rangeTotal_ < 0 || rangeTotal_ == total);
}

long long RangeRequest::bodyOffset() const {
    const bool whole = status_ >= 200 && status_ < 300 && status_ != 206;
    return whole ? 0 : offset_;
}

std::string RangeRequest::validator() const {
    if (!identity())
        return {};
    const bool weak = etag_.rfind("W/", 0) == 0;
    return !etag_.empty() && !weak ? etag_ : lastModified_;
}

long long RangeRequest::total() const {
    if (status_ == 206)
        return rangeTotal_ > 0 ? rangeTotal_ : 0;
    return identity() && length_ > 0 ? length_ : 0;
}

// Runs on the transfer's thread (libcurl callback), once per header line of
// every answer, redirects included.
std::size_t RangeRequest::headerLine(char* data, std::size_t size, std::size_t n, void* self) {
    const std::size_t bytes = size * n;
    auto* request = static_cast<RangeRequest*>(self);
    if (!request)
        return bytes;
    RangeRequest& r = *request;
    const std::string_view line = trimmed(std::string_view(data, bytes));
    if (line.rfind("HTTP/", 0) == 0) {
        // A new answer: nothing of the last one applies.
        r.etag_.clear();
        r.lastModified_.clear();
        r.encoding_.clear();
        r.acceptsRanges_ = false;
        r.length_ = r.rangeFirst_ = r.rangeLast_ = r.rangeTotal_ = -1;
        const auto space = line.find(' ');
        const long long status =
            space == std::string_view::npos ? -1 : number(line.substr(space + 1, 3));
        r.status_ = status < 0 ? 0 : static_cast<long>(status);
        return bytes;
    }
    const auto colon = line.find(':');
    if (colon == std::string_view::npos)
        return bytes;
    const std::string_view name = line.substr(0, colon);
    const std::string_view value = trimmed(line.substr(colon + 1));
    if (sameName(name, "ETag")) {
        r.etag_ = value;
    } else if (sameName(name, "Last-Modified")) {
        r.lastModified_ = value;
    } else if (sameName(name, "Content-Encoding")) {
        r.encoding_ = value;
    } else if (sameName(name, "Accept-Ranges")) {
        r.acceptsRanges_ = sameName(value, "bytes");
    } else if (sameName(name, "Content-Length")) {
        r.length_ = number(value);
    } else if (sameName(name, "Content-Range") && value.size() > 6 &&
               sameName(value.substr(0, 6), "bytes ")) {
        // "bytes FIRST-LAST/TOTAL", "bytes */TOTAL" or "bytes FIRST-LAST/*".
        const std::string_view span = value.substr(6);
        const auto slash = span.find('/');
        const auto dash = span.find('-');
        if (slash == std::string_view::npos)
            return bytes;
        r.rangeTotal_ = number(span.substr(slash + 1));
        if (dash != std::string_view::npos && dash < slash) {
            r.rangeFirst_ = number(span.substr(0, dash));
            r.rangeLast_ = number(span.substr(dash + 1, slash - dash - 1));
        }
    }
    return bytes;
}
