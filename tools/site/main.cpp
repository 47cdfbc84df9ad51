// quillmoth-site: the companion web site the program opens on. Serves the
// splash and search pages, a watch page for each demo clip in the legacy
// form and in each of today's forms, and the clips' streams, which ffmpeg
// makes on first request, but the demo clip, its HLS and DASH packages and
// its WebM for the Media Source player at start.
#include "base/StandardDescriptors.h"
#include "tools/site/ClipCache.h"
#include "tools/site/CookieGate.h"
#include "tools/site/DemoCatalog.h"
#include "tools/site/DemoCover.h"
#include "tools/site/FormRoutes.h"
#include "tools/site/PackageRoutes.h"
#include "tools/site/PageForms.h"
#include "tools/site/PlayerRoutes.h"
#include "tools/site/ScriptRoutes.h"
#include "tools/site/SiteLanguage.h"
#include "tools/site/SiteMedia.h"
#include "tools/site/SiteOrigin.h"
#include "tools/site/SitePages.h"

#include <httplib.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <future>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

namespace {

httplib::Server* runningServer = nullptr;

void stopOnSignal(int) {
    if (runningServer)
        runningServer->stop();
}

bool readFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

void usage() {
    std::cerr << "usage: quillmoth-site [--port N] [--stream FILE] [--rate BYTES_PER_SECOND]\n";
}

} // namespace

int main(int argc, char** argv) {
    // A closed descriptor must not become a clip's file or a client's socket.
    if (!fillStandardDescriptors())
        return 1;
    int port = 8808;
    std::string streamFile;
    long rate = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (arg == "--stream" && i + 1 < argc) {
            streamFile = argv[++i];
        } else if (arg == "--rate" && i + 1 < argc) {
            rate = std::atol(argv[++i]);
            if (rate <= 0) {
                usage();
                return 2;
            }
        } else {
            usage();
            return 2;
        }
    }
    if (port <= 0 || port > 65535) {
        usage();
        return 2;
    }

    // --stream: that one file answers for every stream of every clip.
    std::shared_ptr<const std::string> givenStream;
    if (!streamFile.empty()) {
        auto bytes = std::make_shared<std::string>();
        if (!readFile(streamFile, *bytes)) {
            std::cerr << "quillmoth-site: cannot read " << streamFile << "\n";
            return 1;
        }
        givenStream = std::move(bytes);
    }

    ClipCache cache;
    if (!givenStream) {
        // The short demo clip is made now: it shows that ffmpeg works, and
        // is the one a new user opens first. The rest wait for a visitor.
        const DemoClip& first = DemoCatalog::clips().front();
        auto flv = std::async(std::launch::async, [&] { return cache.get(first, Container::Flv); });
        const bool mp4Made = cache.get(first, Container::Mp4) != nullptr;
        if (!flv.get() || !mp4Made) {
            std::cerr << "quillmoth-site: ffmpeg could not make the demo clips; "
                         "give one with --stream FILE\n";
            return 1;
        }
    }

    SiteMedia media(cache, givenStream, rate);
    CookieGate cookies;
    httplib::Server svr;
    const std::string fallback = "http://localhost:" + std::to_string(port);
    auto origin = [fallback](const httplib::Request& req) { return siteOrigin(req, fallback); };
    auto html = [](httplib::Response& res, const std::string& body) {
        res.set_content(body, "text/html; charset=utf-8");
    };
    // The welcome pages speak the visitor's language, as far as they know it.
    auto language = [](const httplib::Request& req, httplib::Response& res) {
        const SiteLanguage chosen = siteLanguageFor(req.get_header_value("Accept-Language"));
        res.set_header("Content-Language", languageTag(chosen));
        res.set_header("Vary", "Accept-Language");
        return chosen;
    };
    // Handlers run on httplib's worker threads; the cache is theirs to share.
    svr.Get("/", [&](const httplib::Request& req, httplib::Response& res) {
        html(res, SitePages::home(origin(req), language(req, res)));
    });
    svr.Get("/splash.php", [&](const httplib::Request& req, httplib::Response& res) {
        html(res, SitePages::splash(origin(req), language(req, res)));
    });
    svr.Get("/search.php", [&](const httplib::Request& req, httplib::Response& res) {
        html(res, SitePages::search(origin(req), req.get_param_value("q")));
    });
    svr.Get("/watch", [&](const httplib::Request& req, httplib::Response& res) {
        // A bare /watch is the first demo clip, as it always was.
        const std::string id =
            req.has_param("v") ? req.get_param_value("v") : DemoCatalog::clips().front().id;
        if (const DemoClip* clip = DemoCatalog::find(id)) {
            html(res, SitePages::watch(origin(req), *clip));
        } else {
            res.status = 404;
            html(res, SitePages::notFound(origin(req), "watch?v=" + id));
        }
    });
    svr.Get(R"(/stream/([a-z0-9]+)/([0-9]+)\.(flv|mp4))",
            [&](const httplib::Request& req, httplib::Response& res) {
                const DemoClip* clip = DemoCatalog::find(req.matches[1]);
                const std::string key = req.matches[2];
                const Container container = DemoCatalog::containerOf(key);
                bool offered = false;
                if (clip)
                    for (const std::string& k : DemoCatalog::streamKeys(*clip))
                        offered = offered || k == key;
                if (!offered || req.matches[3] != DemoCatalog::extension(container)) {
                    res.status = 404;
                    html(res, SitePages::notFound(origin(req), req.path));
                    return;
                }
                media.answer(req, res, *clip, container);
            });
    addFormRoutes(svr, media, cookies, origin);
    addScriptRoutes(svr, media, origin);
    addPlayerRoutes(svr, origin);
    addPackageRoutes(svr, cache, media, origin);
    // The picture each watch page names (og:image): the MP3's front cover.
    svr.Get(R"(/cover/([a-z0-9]+)\.bmp)", [&](const httplib::Request& req, httplib::Response& res) {
        if (const DemoClip* clip = DemoCatalog::find(req.matches[1])) {
            res.set_content(DemoCover::bmp(*clip), "image/bmp");
        } else {
            res.status = 404;
            html(res, SitePages::notFound(origin(req), req.path));
        }
    });
    // Any other address: a page rather than an empty answer.
    svr.set_error_handler([&](const httplib::Request& req, httplib::Response& res) {
        if (res.status == 404 && res.body.empty())
            html(res, SitePages::notFound(origin(req), req.path));
    });

    // httplib's default also sets SO_REUSEPORT, with which a second copy
    // would share the port and take half the requests: it must be refused.
    svr.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    runningServer = &svr;
    std::signal(SIGINT, stopOnSignal);
    std::signal(SIGTERM, stopOnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    if (!svr.bind_to_port("127.0.0.1", port)) {
        std::cerr << "quillmoth-site: port " << port << " is taken\n";
        return 1;
    }
    // The packages are made on a thread of their own while the site already
    // answers; a visitor asking for one meanwhile waits in the cache, as for
    // any clip being made. The future, gone before the cache, waits for it.
    std::future<void> packaging;
    if (!givenStream)
        packaging = std::async(std::launch::async, [&cache] {
            const DemoClip& clip = *PageForms::packagedClip(PageForms::kPackagedClip);
            cache.package(clip, Packaging::Hls);
            cache.package(clip, Packaging::Dash);
            cache.get(clip, Container::WebM, PageForms::kSmallLines);
        });
    std::cout << "quillmoth-site on http://localhost:" << port << "/" << std::endl;
    svr.listen_after_bind();
    runningServer = nullptr;
    return 0;
}
