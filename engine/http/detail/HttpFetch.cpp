#include "http/detail/HttpFetch.h"

#include "base/CancelToken.h"
#include "http/BodyReceiver.h"
#include "http/FetchBounds.h"
#include "http/HttpClient.h"
#include "http/HttpRequest.h"
#include "http/RefererPolicy.h"
#include "http/SpeedLimit.h"
#include "http/detail/MediaHandover.h"
#include "http/detail/MovieWriteContext.h"
#include "http/detail/PageBuffer.h"
#include "http/detail/RangeRequest.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// Concurrent transfers must not share one error buffer: each thread has its own.
thread_local char transferErrors[CURL_ERROR_SIZE];

constexpr long movieBufferBytes = 256 * 1024;
// How often a transfer held for the speed limit looks at it again.
constexpr int heldPollMs = 10;
// How long a wait for the socket may last otherwise, as libcurl's own.
constexpr int pollMs = 1000;

struct MultiFree {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};

// curl_easy_perform, but in a loop of our own: libcurl looks at a paused
// transfer only once a second, while one held for the speed limit must go on
// as soon as it may. Each round calls the progress callback, which unpauses.
CURLcode performHeld(CURL* curl, const bool& held) {
    const std::unique_ptr<CURLM, MultiFree> multi(curl_multi_init());
    if (!multi || curl_multi_add_handle(multi.get(), curl) != CURLM_OK)
        return CURLE_OUT_OF_MEMORY;
    CURLcode result = CURLE_OK;
    for (int running = 1; running;) {
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (running && curl_multi_poll(multi.get(), nullptr, 0, held ? heldPollMs : pollMs,
                                       nullptr) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        int left = 0;
        while (const CURLMsg* message = curl_multi_info_read(multi.get(), &left))
            if (message->msg == CURLMSG_DONE && message->easy_handle == curl)
                result = message->data.result;
    }
    curl_multi_remove_handle(multi.get(), curl);
    return result;
}

// The movie's progress as the bar shows it: counted over the whole file (a
// continued one has bytes on disk already; total 0: unknown), in bytes the
// receiver took.
void reportProgress(MovieWriteContext& movie) {
    movie.receiver.progress(movie.total, movie.range.bodyOffset() + movie.taken);
}

// Whether the transfer's share of the limit is too small for the floor to
// mean anything (each of many transfers under a low limit may go slowly).
bool floorOff(const MovieWriteContext& movie) {
    if (!movie.limit)
        return false;
    const std::int64_t share = movie.limit->share();
    return share > 0 && share < movie.floorMinShare;
}

// What the socket opener is handed: one lasting value per space.
constexpr NetworkSpace reachValues[] = {NetworkSpace::Public, NetworkSpace::Private,
                                        NetworkSpace::Local};

NetworkSpace spaceOf(const sockaddr* address) {
    if (address->sa_family == AF_INET) {
        unsigned char bytes[4];
        std::memcpy(bytes, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, 4);
        return AddressSpace::ofIpv4(bytes);
    }
    if (address->sa_family == AF_INET6) {
        unsigned char bytes[16];
        std::memcpy(bytes, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, 16);
        return AddressSpace::ofIpv6(bytes);
    }
    // A local socket, or anything else: never from a bounded fetch.
    return NetworkSpace::Local;
}

} // namespace

HttpFetch::HttpFetch(const HttpRequest& request)
    : maxPageBytes(request.maxBytes), deadline(std::max(request.deadlineSeconds, 0L)),
      floorBytesPerSecond(std::max(request.bounds.lowSpeedBytes, 0L)),
      floorWindow(std::max(request.bounds.lowSpeedSeconds, 0L)),
      floorMinShare(request.bounds.lowSpeedMinShare), limit(request.bounds.speedLimit) {}

// The bounds make a redirect loop, a host that never answers and a server
// that stops sending end as a failed transfer.
void HttpFetch::setCommonOptions(CURL* curl, const std::string& url, const FetchBounds& bounds) {
    transferErrors[0] = '\0';
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, transferErrors);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HEADER, 0L);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, HttpClient::maxRedirects);
    // Addresses come from the web: never let them reach local files, FTP
    // logins or any other protocol.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // A compressed body is decoded rather than saved as it came.
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, HttpClient::connectSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, bounds.stallSeconds);
    // Time-outs must not use signals on worker threads.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // Looked at where the connection goes, not at the name: a public name
    // may resolve, or redirect, to a private address.
    const bool bounded = bounds.reach != NetworkSpace::Local;
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, bounded ? &HttpFetch::openSocket : nullptr);
    curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA,
                     bounded
                         ? const_cast<NetworkSpace*>(&reachValues[static_cast<int>(bounds.reach)])
                         : nullptr);
    // What a browser would send. The cookie engine keeps what answers set,
    // in memory only (an empty file name reads nothing, and no jar is
    // written), for the next request on the same handle.
    // The Referer is worked out for this address (libcurl copies it) and
    // kept over redirects: CURLOPT_AUTOREFERER, held off, would put each
    // hop's whole address in its place.
    const std::string referer = RefererPolicy::referer(bounds.referer, url);
    curl_easy_setopt(curl, CURLOPT_REFERER, referer.empty() ? nullptr : referer.c_str());
    curl_easy_setopt(curl, CURLOPT_AUTOREFERER, 0L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT,
                     bounds.userAgent.empty() ? nullptr : bounds.userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    for (const std::string& line : bounds.cookies)
        curl_easy_setopt(curl, CURLOPT_COOKIELIST, line.c_str());
}

curl_socket_t HttpFetch::openSocket(void* reach, curlsocktype, curl_sockaddr* address) {
    const NetworkSpace allowed = *static_cast<const NetworkSpace*>(reach);
    if (!AddressSpace::reaches(allowed, spaceOf(&address->addr)))
        return CURL_SOCKET_BAD;
    // As libcurl's own, and never inherited by a child.
    return socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

std::vector<std::string> HttpFetch::cookies(CURL* curl) {
    std::vector<std::string> lines;
    curl_slist* list = nullptr;
    if (curl && curl_easy_getinfo(curl, CURLINFO_COOKIELIST, &list) == CURLE_OK)
        for (const curl_slist* item = list; item; item = item->next)
            lines.emplace_back(item->data);
    curl_slist_free_all(list);
    return lines;
}

std::string HttpFetch::lastError() {
    return transferErrors;
}

HttpResponse::Failure HttpFetch::failureOf(CURLcode code) {
    using Failure = HttpResponse::Failure;
    switch (code) {
    case CURLE_OK:
        return Failure::None;
    case CURLE_FAILED_INIT:
        return Failure::NoHandle;
    case CURLE_FILESIZE_EXCEEDED:
        return Failure::TooLarge;
    case CURLE_OPERATION_TIMEDOUT:
        return Failure::Stalled;
    case CURLE_HTTP_RETURNED_ERROR:
        return Failure::ErrorStatus;
    case CURLE_WRITE_ERROR:
        return Failure::Refused;
    case CURLE_ABORTED_BY_CALLBACK:
        return Failure::Cancelled;
    default:
        return Failure::Connection;
    }
}

HttpResponse HttpFetch::response(CURL* curl, const RangeRequest* range, const std::string& asked) {
    HttpResponse response;
    response.address = asked;
    if (!curl)
        return response;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    char* type = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        response.type = type;
    char* effective = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective &&
        *effective)
        response.address = effective;
    curl_off_t length = -1;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK)
        response.length = length;
    if (range) {
        response.validator = range->validator();
        response.total = range->total();
        response.acceptsRanges = range->acceptsRanges();
        response.ranged = range->ranged();
        response.fit = range->answer();
        response.expectedSize = range->expectedSize();
        response.rangeAtEnd = range->complete(response.status);
    }
    return response;
}

HttpResponse HttpFetch::page(CURL* curl, const HttpRequest& request, std::string& text) const {
    setCommonOptions(curl, request.url, request.bounds);
    const HttpRequest::MediaTest* isMedia = request.isMedia ? &request.isMedia : nullptr;
    // An announced size over the bound fails before any byte arrives
    // (unless the answer may be media, which is looked at first);
    // pageWriter enforces it for every body.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(isMedia ? 0 : maxPageBytes));
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 0L);
    PageBuffer page{text, maxPageBytes};
    page.cancel = request.cancel;
    page.isMedia = isMedia;
    page.curl = curl;
    // Counted from the request on: connecting and redirects are part of it.
    // The progress callback enforces it, not CURLOPT_TIMEOUT, so that a body
    // found to be a movie can lift it.
    page.deadline = Deadline::after(deadline);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &HttpFetch::pageWriter);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &page);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &page);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &HttpFetch::pageProgress);
    std::optional<MediaHandover> handover;
    if (isMedia && request.takeMedia) {
        handover.emplace(request.takeMedia);
        handover->transfer.asked = request.url;
        prepareBody(curl, handover->transfer);
        handover->range.apply(curl);
        page.handover = &*handover;
    }
    const CURLcode result =
        handover ? performHeld(curl, handover->transfer.held) : curl_easy_perform(curl);
    // The handle outlives this call: no pointer to page may stay in it.
    if (handover)
        handover->range.release(curl);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
    if (handover && handover->to) {
        HttpResponse answer =
            bodyAnswer(curl, handover->range, handover->transfer, result, request.url);
        answer.media = true;
        return answer;
    }
    HttpResponse answer = response(curl, nullptr, request.url);
    answer.cookies = cookies(curl);
    if (page.media) {
        answer.media = true;
        return answer;
    }
    answer.failure = failureOf(result);
    // One answer for a page too large, whether announced or found by pageWriter.
    if (result == CURLE_WRITE_ERROR && page.tooLarge)
        answer.failure = HttpResponse::Failure::TooLarge;
    if (result == CURLE_ABORTED_BY_CALLBACK && page.deadlinePassed)
        answer.failure = HttpResponse::Failure::DeadlinePassed;
    if (!answer.ok())
        answer.detail = lastError();
    return answer;
}

HttpResponse HttpFetch::body(CURL* curl, const HttpRequest& request, BodyReceiver& receiver) const {
    setCommonOptions(curl, request.url, request.bounds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(0));
    // An error status must not be saved as the movie.
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    RangeRequest range = RangeRequest::of(request);
    MovieWriteContext transfer{receiver, range, request.url};
    prepareBody(curl, transfer);
    // Each running body transfer counts in the limit's share.
    const SpeedLimit::Registration registered(limit.get());
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &HttpFetch::movieProgress);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &HttpFetch::movieWriter);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    // Ranged or not, the answer's headers say what its body is.
    range.apply(curl);
    CURLcode result = performHeld(curl, transfer.held);
    range.release(curl);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
    return bodyAnswer(curl, range, transfer, result, request.url);
}

void HttpFetch::prepareBody(CURL* curl, MovieWriteContext& transfer) const {
    // libcurl's 16 KiB default means a receive and a write call per 16 KiB;
    // a larger buffer takes a sixth of the system calls on a fast link. A
    // limited transfer reads smaller chunks, each a fraction of its share.
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE,
                     limit ? limit->bufferBytes(movieBufferBytes) : movieBufferBytes);
    transfer.curl = curl;
    transfer.limit = limit.get();
    transfer.floor = LowSpeedFloor(floorBytesPerSecond, floorWindow);
    transfer.floorMinShare = floorMinShare;
}

HttpResponse HttpFetch::bodyAnswer(CURL* curl, RangeRequest& range, MovieWriteContext& transfer,
                                   CURLcode result, const std::string& asked) {
    // What the writer took after the last progress call counts too.
    if (transfer.taken > 0)
        reportProgress(transfer);
    transfer.curl = nullptr;
    // Too slow is a stall by other means.
    if (result == CURLE_ABORTED_BY_CALLBACK && transfer.tooSlow)
        result = CURLE_OPERATION_TIMEDOUT;
    HttpResponse answer = response(curl, &range, asked);
    answer.cookies = cookies(curl);
    answer.failure = failureOf(result);
    if (transfer.refused)
        answer.failure = HttpResponse::Failure::Refused;
    if (!answer.ok())
        answer.detail = lastError();
    return answer;
}

// Runs on the transfer's thread (libcurl callback).
bool HttpFetch::handOver(MediaHandover& handover, CURL* curl) {
    const HttpResponse head = response(curl, &handover.range, handover.transfer.asked);
    // An error's body is no movie, whatever it looks like.
    if (head.status < 200 || head.status >= 300)
        return false;
    handover.to = handover.taker(head);
    if (!handover.to)
        return false;
    handover.registered.emplace(handover.transfer.limit);
    return true;
}

// Runs on the transfer's thread (libcurl callback).
size_t HttpFetch::pageWriter(char* data, size_t size, size_t nmemb, void* page) {
    auto* buffer = static_cast<PageBuffer*>(page);
    if (!buffer)
        return 0;
    const size_t n = size * nmemb;
    // Media is not read as a page: the caller fetches it as a movie.
    if (buffer->isMedia && !buffer->looked) {
        buffer->looked = true;
        char* type = nullptr;
        if (buffer->curl)
            curl_easy_getinfo(buffer->curl, CURLINFO_CONTENT_TYPE, &type);
        buffer->media = (*buffer->isMedia)(type ? type : "", std::string_view(data, n));
        if (buffer->media && (!buffer->handover || !handOver(*buffer->handover, buffer->curl)))
            return 0;
    }
    // Taken over: the rest is the body's.
    if (buffer->handover && buffer->handover->to)
        return movieWriter(data, size, nmemb, &buffer->handover->transfer);
    // Taking less than offered makes libcurl end the transfer with an error.
    if (n > buffer->limit || buffer->text.size() > buffer->limit - n) {
        buffer->tooLarge = true;
        return 0;
    }
    buffer->text.append(data, n);
    return n;
}

// Runs on the transfer's thread (libcurl callback): a non-zero answer aborts.
int HttpFetch::pageProgress(void* page, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                            curl_off_t ulnow) {
    auto* buffer = static_cast<PageBuffer*>(page);
    if (!buffer)
        return 0;
    // A body's bounds, not a page's, once taken over.
    if (buffer->handover && buffer->handover->to)
        return movieProgress(&buffer->handover->transfer, dltotal, dlnow, ultotal, ulnow);
    if (buffer->cancel && buffer->cancel->cancelled())
        return 1;
    if (buffer->deadline.passed()) {
        buffer->deadlinePassed = true;
        return 1;
    }
    return 0;
}

// Runs on the transfer's thread (libcurl callback).
size_t HttpFetch::movieWriter(void* data, size_t size, size_t nmemb, void* context) {
    auto* movie = static_cast<MovieWriteContext*>(context);
    if (!movie)
        return 0;
    const size_t n = size * nmemb;
    // Out of tokens: libcurl keeps the chunk and offers it again once
    // movieProgress lets the transfer go on.
    if (movie->limit && !movie->limit->take(n)) {
        movie->held = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    const char* bytes = static_cast<const char*>(data);
    if (!movie->begun) {
        movie->begun = true;
        if (!movie->receiver.begins(response(movie->curl, &movie->range, movie->asked), bytes, n)) {
            movie->refused = true;
            return 0;
        }
    }
    // Taking less than offered (an answer that is not the file asked for,
    // a failed write) ends the transfer.
    const size_t taken = movie->receiver.take(bytes, n);
    movie->taken += static_cast<curl_off_t>(taken);
    return taken;
}

// Runs on the transfer's thread (libcurl callback).
int HttpFetch::movieProgress(void* context, curl_off_t dltotal, curl_off_t, curl_off_t,
                             curl_off_t) {
    auto* movie = static_cast<MovieWriteContext*>(context);
    if (!movie)
        return 0;
    if (movie->receiver.stopping())
        return 1;
    // The floor counts the time since the last call unless the transfer was
    // held for the limit all along; it starts over while it is off.
    if (floorOff(*movie)) {
        movie->floor.restart();
    } else if (movie->floor.below(Clock::now(), movie->taken, !movie->heldSinceProgress)) {
        movie->tooSlow = true;
        return 1;
    }
    // libcurl keeps calling this while the writer holds the transfer paused.
    // Going on hands the writer what libcurl held, which may hold it again.
    if (movie->held && movie->limit->ready()) {
        movie->held = false;
        curl_easy_pause(movie->curl, CURLPAUSE_CONT);
    }
    movie->heldSinceProgress = movie->held;
    // A range answered names the whole stream's size: the first 64 KiB asked
    // alone are not the file.
    const long long whole = movie->range.total();
    movie->total = whole > 0 ? whole : dltotal > 0 ? movie->range.bodyOffset() + dltotal : 0;
    reportProgress(*movie);
    return 0;
}
