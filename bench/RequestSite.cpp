#include "RequestSite.h"

#include <chrono>
#include <stdexcept>

namespace {

// The start of an MP4 (an ftyp box), too small to be a whole video.
std::string smallMedia() {
    std::string body("\0\0\0\x18"
                     "ftypisom\0\0\x02\0isomiso2",
                     24);
    body.resize(1024, '\0');
    return body;
}

const char* const Playlist = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:4\n"
                             "#EXT-X-PLAYLIST-TYPE:VOD\n#EXTINF:4.0,\npart0.ts\n#EXTINF:4.0,\n"
                             "part1.ts\n#EXT-X-ENDLIST\n";

} // namespace

RequestSite::RequestSite(int requests) : count(requests) {
    // Chromium keeps its six connections to the host open for the whole page.
    server.set_keep_alive_max_count(1000000);
    // Headers and body leave in two writes; Nagle would hold the body back
    // for the client's delayed acknowledgement.
    server.set_tcp_nodelay(true);
    server.Get("/page.html", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(page(), "text/html");
    });
    server.Get(
        R"(/api/item\d+\.json)", [this](const httplib::Request& req, httplib::Response& res) {
            ++jsonHits;
            res.set_content("{\"item\":\"" + req.path + "\",\"ok\":true}", "application/json");
        });
    server.Get(R"(/media/clip\d+\.mp4)", [this](const httplib::Request&, httplib::Response& res) {
        ++mediaHits;
        res.set_content(smallMedia(), "video/mp4");
    });
    server.Get(R"(/hls/clip\d+\.m3u8)", [this](const httplib::Request&, httplib::Response& res) {
        ++playlistHits;
        res.set_content(Playlist, "application/vnd.apple.mpegurl");
    });
    port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0)
        throw std::runtime_error("the request site cannot bind");
    thread = std::thread([this] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

RequestSite::~RequestSite() {
    server.stop();
    thread.join();
}

std::string RequestSite::pageUrl() const {
    return "http://127.0.0.1:" + std::to_string(port) + "/page.html";
}

std::string RequestSite::page() const {
    // A thousand at once, then another as each one settles: Chromium fails
    // whatever a page asks for beyond about 1,400 outstanding requests
    // (ERR_INSUFFICIENT_RESOURCES), and every one of them should be made.
    return "<!DOCTYPE html><html><head><title>Requests</title></head><body>"
           "<h1 id=\"watch-headline-title\">Many requests</h1><script>(function () {"
           " var n = " +
           std::to_string(count) +
           ", next = 0, settled = 0, answered = 0, failed = 0;"
           " function address(i) {"
           "  if (i % 10 == 3) return '/media/clip' + i + '.mp4';"
           "  if (i % 10 == 7) return '/hls/clip' + i + '.m3u8';"
           "  return '/api/item' + i + '.json';"
           " }"
           " function ask() {"
           "  if (next >= n) return;"
           "  var i = next++;"
           "  fetch(address(i)).then(function (r) { return r.text(); })"
           "   .then(function () { ++answered; }, function (e) {"
           "    if (++failed == 1) console.warn('first failed request: ' + address(i) + ': ' + e);"
           "   })"
           "   .then(function () {"
           "    if (++settled == n) document.title = 'done ' + answered;"
           "    ask();"
           "   });"
           " }"
           " for (var k = 0; k < Math.min(n, " +
           std::to_string(InFlight) +
           "); ++k) ask();"
           "})();</script></body></html>";
}
