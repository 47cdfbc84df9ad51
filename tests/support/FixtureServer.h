#pragma once

#include <httplib.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// libcurl's process-wide set-up, done once before any test thread uses it.
// FixtureServer's constructor calls it too.
void initCurlOnce();

// An HTTP server on 127.0.0.1 with an ephemeral port, serving in a
// background thread from construction until destruction. Routes match the
// request path exactly (query ignored) and may be added or replaced at any
// time; an unknown path answers 404. Only ranged() honours a Range header.
//
//   FixtureServer srv;
//   srv.watchPage("/watch", "My Clip", {{"5", srv.url("/low")}, {"34", srv.url("/high")}});
//   srv.stream("/high", bytes);
//   DownloadJob job(jobOptions(srv.url("/watch"), ...), id, sink);
class FixtureServer {
public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
    // A stream map entry: format key and stream URL.
    using Stream = std::pair<std::string, std::string>;

    // workers: how many requests are served at once; 0 keeps the library's
    // default (at least 8). Every stalled or held request takes one.
    explicit FixtureServer(std::size_t workers = 0);
    ~FixtureServer();
    FixtureServer(const FixtureServer&) = delete;
    FixtureServer& operator=(const FixtureServer&) = delete;

    int port() const { return port_; }
    // "http://127.0.0.1:<port>" + path.
    std::string url(const std::string& path) const;

    // Any handler; runs on a server thread.
    void get(const std::string& path, Handler handler);

    // A plain body with its Content-Length.
    void body(const std::string& path, std::string content, std::string contentType = "text/html");
    // A watch page (see watchPageHtml) for the given streams.
    void watchPage(const std::string& path, const std::string& title,
                   const std::vector<Stream>& streams);
    // Movie bytes, with a Content-Length or, when chunked, without one.
    void stream(const std::string& path, std::string bytes, bool chunked = false);
    // A redirect to target (an absolute URL or a path on this server).
    void redirect(const std::string& path, const std::string& target, int status = 302);
    // An HTTP error status with a small body.
    void error(const std::string& path, int status, std::string body = "error page");
    // Announces all of bytes, sends the first sendBytes, then drops the connection.
    void dropped(const std::string& path, std::string bytes, std::size_t sendBytes);
    // Announces prefix.size() * 2 + 1 bytes, sends prefix, then sends nothing
    // until the server stops or limitSeconds pass, then drops the connection.
    // Keep prefix short (a byte or none): a client measures speed over a few
    // seconds, so a long prefix looks like a live transfer for a while. The
    // default limit only bounds a hang: a test that wants the drop asks for
    // a short one.
    void stall(const std::string& path, std::string prefix = {},
               int limitSeconds = stallLimitSeconds);
    // Movie bytes from a server that honours ranges and tags the file with
    // etag: "Range: bytes=N-" answers 206 with the rest when If-Range is
    // absent or etag, 416 when N is the size or more, and the whole file
    // (200) when If-Range names another tag. A body that reaches byte
    // stallAt stops there as stall() does.
    void ranged(const std::string& path, std::string bytes, std::string etag,
                std::size_t stallAt = std::string::npos);

    // How many requests reached path so far.
    int hits(const std::string& path) const;
    // Header name of the latest request to path; empty when it had none.
    std::string lastHeader(const std::string& path, const std::string& name) const;
    bool stopping() const { return stopping_; }
    // How many stalls ran out their limit rather than being given up by the client.
    int stallsExpired() const { return stallsExpired_; }

    // Long beside anything a test does while a request stalls, on however
    // busy a machine.
    static constexpr int stallLimitSeconds = 60;

    // Holds a server thread until the server stops or limitSeconds pass:
    // what a stalled answer does, for handlers of other fixtures too.
    void waitStalled(int limitSeconds = stallLimitSeconds) const;

private:
    void dispatch(const httplib::Request& req, httplib::Response& res);

    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::atomic<int> stallsExpired_{0};
    mutable std::mutex mutex_;
    std::map<std::string, Handler> routes_;
    std::map<std::string, int> hits_;
    std::map<std::string, httplib::Headers> lastHeaders_;
};

// Percent-encodes every byte but letters, digits and "-._~".
std::string percentEncode(const std::string& text);

// A watch page: a headline whose title attribute carries title, and a
// percent-encoded "fmt_url_map=" parameter listing "key|url" entries joined
// by "," and ended by "&amp;".
std::string watchPageHtml(const std::string& title,
                          const std::vector<FixtureServer::Stream>& streams);
// The same page with mapText placed after "fmt_url_map=" as it is.
std::string watchPageHtmlRaw(const std::string& title, const std::string& mapText);

// n bytes of a fixed pseudo-random sequence (every byte value occurs).
std::string testBytes(std::size_t n, unsigned seed = 1);
