// quillmoth-site: the companion web site the program opens on. Serves the
// splash and search pages, one demo watch page and its demo streams.
#include "DemoStream.h"
#include "SitePages.h"

#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
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
    std::cerr << "usage: quillmoth-site [--port N] [--stream FILE]\n";
}

} // namespace

int main(int argc, char** argv) {
    int port = 8808;
    std::string streamFile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port" && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (arg == "--stream" && i + 1 < argc) {
            streamFile = argv[++i];
        } else {
            usage();
            return 2;
        }
    }
    if (port <= 0 || port > 65535) {
        usage();
        return 2;
    }

    std::string mp4, flv, tempDir;
    if (!streamFile.empty()) {
        if (!readFile(streamFile, mp4)) {
            std::cerr << "quillmoth-site: cannot read " << streamFile << "\n";
            return 1;
        }
        flv = mp4;
    } else {
        tempDir = makeDemoStreams();
        if (tempDir.empty() || !readFile(tempDir + "/demo.mp4", mp4) ||
            !readFile(tempDir + "/demo.flv", flv)) {
            std::cerr << "quillmoth-site: ffmpeg could not make the demo clips; "
                         "give one with --stream FILE\n";
            if (!tempDir.empty())
                std::filesystem::remove_all(tempDir);
            return 1;
        }
    }

    httplib::Server svr;
    const std::string fallback = "http://localhost:" + std::to_string(port);
    auto origin = [fallback](const httplib::Request& req) {
        const std::string host = req.get_header_value("Host");
        return host.empty() ? fallback : "http://" + host;
    };
    auto html = [](httplib::Response& res, const std::string& body) {
        res.set_content(body, "text/html; charset=utf-8");
    };
    svr.Get("/", [&](const httplib::Request& req, httplib::Response& res) {
        html(res, SitePages::home(origin(req)));
    });
    svr.Get("/splash.php", [&](const httplib::Request& req, httplib::Response& res) {
        html(res, SitePages::splash(origin(req)));
    });
    svr.Get("/search.php", [&](const httplib::Request& req, httplib::Response& res) {
        html(res, SitePages::search(origin(req)));
    });
    svr.Get("/watch", [&](const httplib::Request& req, httplib::Response& res) {
        html(res, SitePages::watch(origin(req)));
    });
    svr.Get(R"(/stream/\w+\.mp4)", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(mp4, "video/mp4");
    });
    svr.Get(R"(/stream/\w+\.flv)", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(flv, "video/x-flv");
    });

    runningServer = &svr;
    std::signal(SIGINT, stopOnSignal);
    std::signal(SIGTERM, stopOnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    if (!svr.bind_to_port("127.0.0.1", port)) {
        std::cerr << "quillmoth-site: port " << port << " is taken\n";
        if (!tempDir.empty())
            std::filesystem::remove_all(tempDir);
        return 1;
    }
    std::cout << "quillmoth-site on http://localhost:" << port << "/" << std::endl;
    svr.listen_after_bind();
    runningServer = nullptr;
    if (!tempDir.empty())
        std::filesystem::remove_all(tempDir);
    return 0;
}
