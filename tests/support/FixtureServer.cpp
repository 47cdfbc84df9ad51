#include "support/FixtureServer.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>

void initCurlOnce() {
    static const bool done = [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            std::fputs("curl_global_init failed\n", stderr);
            std::abort();
        }
        return true;
    }();
    (void)done;
}

FixtureServer::FixtureServer(std::size_t workers) {
    initCurlOnce();
    // The server owns the queue it is handed.
    if (workers > 0)
        server_.new_task_queue = [workers] { return new httplib::ThreadPool(workers); };
    server_.Get(
        ".*", [this](const httplib::Request& req, httplib::Response& res) { dispatch(req, res); });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("fixture server cannot bind");
    // The socket listens already; requests queue until the thread accepts them.
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() only works once the server runs, so wait for that here.
    while (!server_.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

FixtureServer::~FixtureServer() {
    stopping_ = true;
    server_.stop();
    if (thread_.joinable())
        thread_.join();
}

std::string FixtureServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void FixtureServer::get(const std::string& path, Handler handler) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(handler);
}

// Runs on a server thread.
void FixtureServer::dispatch(const httplib::Request& req, httplib::Response& res) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        ++hits_[req.path];
        lastHeaders_[req.path] = req.headers;
        auto it = routes_.find(req.path);
        if (it != routes_.end())
            handler = it->second;
    }
    // The library would cut any body to the Range asked for, whatever the
    // status a handler sets: only ranged() answers ranges, itself.
    const_cast<httplib::Request&>(req).ranges.clear();
    if (!handler) {
        res.status = 404;
        res.set_content("no such route", "text/plain");
        return;
    }
    handler(req, res);
}

int FixtureServer::hits(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = hits_.find(path);
    return it == hits_.end() ? 0 : it->second;
}

std::string FixtureServer::lastHeader(const std::string& path, const std::string& name) const {
    std::lock_guard lock(mutex_);
    const auto it = lastHeaders_.find(path);
    if (it == lastHeaders_.end())
        return {};
    const auto header = it->second.find(name);
    return header == it->second.end() ? std::string() : header->second;
}

void FixtureServer::body(const std::string& path, std::string content, std::string contentType) {
    get(path, [content = std::move(content), contentType = std::move(contentType)](
                  const httplib::Request&, httplib::Response& res) {
        res.set_content(content, contentType);
    });
}

void FixtureServer::watchPage(const std::string& path, const std::string& title,
                              const std::vector<Stream>& streams) {
    body(path, watchPageHtml(title, streams));
}

void FixtureServer::stream(const std::string& path, std::string bytes, bool chunked) {
    auto data = std::make_shared<const std::string>(std::move(bytes));
    const std::string type = "application/octet-stream";
    if (!chunked) {
        body(path, *data, type);
        return;
    }
    get(path, [data, type](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider(type, [data](size_t offset, httplib::DataSink& sink) {
            constexpr size_t piece = 16 * 1024;
            if (offset >= data->size()) {
                sink.done();
                return true;
            }
            size_t n = std::min(piece, data->size() - offset);
            return sink.write(data->data() + offset, n);
        });
    });
}

void FixtureServer::redirect(const std::string& path, const std::string& target, int status) {
    get(path, [target, status](const httplib::Request&, httplib::Response& res) {
        res.set_redirect(target, status);
    });
}

void FixtureServer::error(const std::string& path, int status, std::string text) {
    get(path, [status, text = std::move(text)](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        res.set_content(text, "text/html");
    });
}

void FixtureServer::dropped(const std::string& path, std::string bytes, std::size_t sendBytes) {
    auto data = std::make_shared<const std::string>(std::move(bytes));
    sendBytes = std::min(sendBytes, data->size());
    get(path, [data, sendBytes](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(data->size(), "application/octet-stream",
                                 [data, sendBytes](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (offset >= sendBytes)
                                         return false; // drops the connection
                                     return sink.write(data->data() + offset, sendBytes - offset);
                                 });
    });
}

void FixtureServer::stall(const std::string& path, std::string prefix, int limitSeconds) {
    auto data = std::make_shared<const std::string>(std::move(prefix));
    // Runs on a server thread; the wait is bounded so that a test never hangs.
    auto provider = [this, data, limitSeconds](size_t offset, size_t, httplib::DataSink& sink) {
        if (offset < data->size())
            return sink.write(data->data() + offset, data->size() - offset);
        waitStalled(limitSeconds);
        return false;
    };
    get(path, [data, provider](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(data->size() * 2 + 1, "application/octet-stream", provider);
    });
}

void FixtureServer::waitStalled(int limitSeconds) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
    while (!stopping_) {
        if (std::chrono::steady_clock::now() >= until) {
            ++stallsExpired_;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void FixtureServer::ranged(const std::string& path, std::string bytes, std::string etag,
                           std::size_t stallAt) {
    auto data = std::make_shared<const std::string>(std::move(bytes));
    // Runs on a server thread.
    get(path, [this, data, etag, stallAt](const httplib::Request& req, httplib::Response& res) {
        const std::string range = req.get_header_value("Range");
        const std::string ifRange = req.get_header_value("If-Range");
        const std::size_t size = data->size();
        std::size_t from = 0;
        res.set_header("ETag", etag);
        if (range.rfind("bytes=", 0) == 0 && (ifRange.empty() || ifRange == etag)) {
            from = std::stoull(range.substr(6));
            if (from >= size) {
                res.status = 416;
                res.set_header("Content-Range", "bytes */" + std::to_string(size));
                return;
            }
            res.status = 206;
            res.set_header("Content-Range", "bytes " + std::to_string(from) + "-" +
                                                std::to_string(size - 1) + "/" +
                                                std::to_string(size));
        }
        res.set_content_provider(
            size - from, "application/octet-stream",
            [this, data, from, stallAt](size_t offset, size_t, httplib::DataSink& sink) {
                const std::size_t at = from + offset;
                const std::size_t end =
                    at < stallAt ? std::min(stallAt, data->size()) : data->size();
                if (at == stallAt) {
                    waitStalled();
                    return false;
                }
                return sink.write(data->data() + at, std::min<std::size_t>(end - at, 64 * 1024));
            });
    });
}

std::string percentEncode(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string watchPageHtmlRaw(const std::string& title, const std::string& mapText) {
    return "<html><head><title>" + title +
           "</title></head><body>\n"
           "<div id=\"watch-headline\"><h1 id=\"watch-headline-title\">"
           "<span class=\"headline\" title=\"" +
           title + "\">" + title +
           "</span></h1></div>\n"
           "<script>var swfConfig = {\"args\": \"video_id=abc&amp;fmt_url_map=" +
           mapText + "&amp;track_embed=0\"};</script>\n</body></html>\n";
}

std::string watchPageHtml(const std::string& title,
                          const std::vector<FixtureServer::Stream>& streams) {
    std::string map;
    for (const auto& [key, streamUrl] : streams) {
        if (!map.empty())
            map += ',';
        map += key + "|" + streamUrl;
    }
    return watchPageHtmlRaw(title, percentEncode(map));
}

std::string testBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string out(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<char>(i < 256 ? i : gen() & 0xff);
    return out;
}
