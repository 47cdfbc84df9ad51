#pragma once

#include "support/FixtureServer.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace enginetest {

// Serves path as a body that trickles: head at once, then 16 bytes a second
// of filler, without a length. After `seconds` the body ends cleanly; it
// ends sooner when the client goes (a write fails) or the server stops, so
// that a test never waits for it.
inline void trickle(FixtureServer& srv, const std::string& path, std::string head, std::string type,
                    int seconds = 30) {
    auto first = std::make_shared<const std::string>(std::move(head));
    srv.get(path, [&srv, first, type, seconds](const httplib::Request&, httplib::Response& res) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        res.set_chunked_content_provider(
            type, [&srv, first, until](size_t offset, httplib::DataSink& sink) {
                if (offset == 0)
                    return sink.write(first->data(), first->size());
                for (int i = 0; i < 100 && !srv.stopping(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                if (srv.stopping())
                    return false;
                if (std::chrono::steady_clock::now() >= until) {
                    sink.done();
                    return true;
                }
                static const std::string filler = "<!-- trickle -->";
                return sink.write(filler.data(), filler.size());
            });
    });
}

// An FLV file's first bytes: a movie's head by its signature.
inline std::string flvHead() {
    return std::string("FLV\x01\x05\0\0\0\x09\0\0\0\0", 13);
}

} // namespace enginetest
