#include "support/PieceRoute.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// "bytes=A-B" or "bytes=A-" within size: [first, end); false for any other.
bool rangeOf(const std::string& header, std::size_t size, std::size_t& first, std::size_t& end) {
    if (header.rfind("bytes=", 0) != 0)
        return false;
    const auto dash = header.find('-', 6);
    if (dash == std::string::npos)
        return false;
    first = std::stoull(header.substr(6, dash - 6));
    const std::string last = header.substr(dash + 1);
    end = last.empty() ? size : std::min<std::size_t>(std::stoull(last) + 1, size);
    return first < end;
}

} // namespace

std::shared_ptr<PieceCounts> servePieces(FixtureServer& srv, const std::string& path,
                                         PieceRoute route) {
    auto counts = std::make_shared<PieceCounts>();
    auto shared = std::make_shared<const PieceRoute>(std::move(route));
    // Runs on a server thread.
    srv.get(path, [&srv, counts, shared](const httplib::Request& req, httplib::Response& res) {
        const PieceRoute& r = *shared;
        const int request = ++counts->requests;
        std::size_t from = 0, to = 0;
        if (request == 1)
            counts->firstFrom = rangeOf(req.get_header_value("Range"), std::string::npos, from, to)
                                    ? static_cast<long long>(from)
                                    : 0;
        const bool changed = r.changesAt > 0 && request >= r.changesAt;
        auto body = std::make_shared<const std::string>(changed ? r.changed : r.bytes);
        const std::string tag = changed ? r.changedTag : r.etag;
        if (r.atOnce > 0 && counts->running.load() >= r.atOnce) {
            ++counts->refused;
            res.status = 503;
            res.set_content("busy", "text/plain");
            return;
        }
        res.set_header("ETag", tag);
        res.set_header("Accept-Ranges", "bytes");
        std::size_t first = 0, end = body->size();
        const std::string ifRange = req.get_header_value("If-Range");
        const bool sameFile = changed || ifRange.empty() || ifRange == tag;
        if (!r.ignoresRanges && sameFile &&
            rangeOf(req.get_header_value("Range"), body->size(), first, end)) {
            ++counts->ranged;
            if (first == 0)
                ++counts->rangedFromStart;
            res.status = 206;
            res.set_header("Content-Range", "bytes " + std::to_string(first) + "-" +
                                                std::to_string(end - 1) + "/" +
                                                std::to_string(body->size()));
        } else {
            first = 0;
            end = body->size();
        }
        ++counts->running;
        const bool whole = res.status != 206;
        res.set_content_provider(
            end - first, "application/octet-stream",
            [&srv, counts, body, first, pace = first == r.slowAt ? r.slowPace : r.perAnswer](
                size_t offset, size_t length, httplib::DataSink& sink) {
                // A tenth of a second's worth at a time, so that a slow
                // answer still sees the server stop.
                const std::size_t chunk =
                    pace > 0 ? std::clamp<std::size_t>(pace / 10, 1, 16 * 1024) : 16 * 1024;
                const std::size_t n = std::min<std::size_t>(length, chunk);
                if (pace > 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(n * 1'000'000 / pace));
                if (srv.stopping())
                    return false;
                counts->sent += static_cast<long long>(n);
                return sink.write(body->data() + first + offset, n);
            },
            [counts, whole](bool sent) {
                if (sent && whole)
                    ++counts->wholeStreams;
                --counts->running;
            });
    });
    return counts;
}
