#pragma once

#include <httplib.h>

#include <atomic>
#include <string>
#include <thread>

// A local site whose one page makes many requests by script: fetch() of
// distinct addresses, most of them JSON, every tenth a .mp4 and every tenth
// a .m3u8 (which the Search pane's watch considers), each answered with a
// small body; InFlight of them at once. The page's title becomes "done N" once every request
// settled, N of them answered. Serves on 127.0.0.1 from construction to destruction.
class RequestSite {
public:
    explicit RequestSite(int requests);
    ~RequestSite();
    RequestSite(const RequestSite&) = delete;
    RequestSite& operator=(const RequestSite&) = delete;

    std::string pageUrl() const;

    // Requests the page keeps going at once.
    static constexpr int InFlight = 1000;

    // Requests answered so far, by kind; the pane's own checks included.
    int json() const { return jsonHits; }
    int media() const { return mediaHits; }
    int playlists() const { return playlistHits; }

private:
    std::string page() const;

    int count;
    httplib::Server server;
    int port = 0;
    std::thread thread;
    std::atomic<int> jsonHits{0};
    std::atomic<int> mediaHits{0};
    std::atomic<int> playlistHits{0};
};
