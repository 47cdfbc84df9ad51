#include "support/StreamFixture.h"

#include "support/TestFiles.h"

#include <curl/curl.h>
#include <openssl/evp.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

std::string keyBytes(int n) {
    std::string key = "fixture-key-" + std::to_string(n);
    key.resize(16, '.');
    return key;
}

std::string encrypted(const std::string& clear, const std::string& key, const unsigned char* iv) {
    std::unique_ptr<EVP_CIPHER_CTX, void (*)(EVP_CIPHER_CTX*)> ctx(EVP_CIPHER_CTX_new(),
                                                                   EVP_CIPHER_CTX_free);
    std::string out(clear.size() + 16, '\0');
    int n = 0, last = 0;
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    EVP_EncryptInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr,
                       reinterpret_cast<const unsigned char*>(key.data()), iv);
    EVP_EncryptUpdate(ctx.get(), o, &n, reinterpret_cast<const unsigned char*>(clear.data()),
                      static_cast<int>(clear.size()));
    EVP_EncryptFinal_ex(ctx.get(), o + n, &last);
    out.resize(static_cast<std::size_t>(n + last));
    return out;
}

} // namespace

void StreamFixture::makeClip(const std::string& folder) {
    std::filesystem::create_directories(folder + "/dash");
    const std::string in = "ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                           "testsrc=size=64x48:rate=10:d=3 -f lavfi -i sine=d=3 ";
    const std::string codecs = " -c:v libx264 -g 10 -c:a aac ";
    const std::string hls = codecs + "-f hls -hls_time 1 -hls_playlist_type vod ";
    const std::string command =
        in + "-map 0:v -map 1:a" + hls + "-hls_flags single_file -hls_segment_filename " + folder +
        "/m.ts " + folder + "/muxed.m3u8 -map 0:v" + hls + "-hls_segment_filename " + folder +
        "/v%d.ts " + folder + "/picture.m3u8 -map 1:a" + hls + "-hls_segment_filename " + folder +
        "/a%d.ts " + folder + "/sound.m3u8 -map 0:v -map 1:a" + codecs +
        "-f dash -seg_duration 1 -adaptation_sets 'id=0,streams=v id=1,streams=a' " + folder +
        "/dash/clip.mpd";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("ffmpeg could not make the clip");
}

StreamFixture::StreamFixture(FixtureServer& srv, const std::string& clip, int keyEvery)
    : srv_(srv) {
    const std::string type = "application/vnd.apple.mpegurl";
    serve("/hls/master.m3u8",
          "#EXTM3U\n"
          "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aud\",NAME=\"Deutsch\",LANGUAGE=\"de\","
          "AUTOSELECT=YES,URI=\"sound.m3u8\"\n"
          "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aud\",NAME=\"English\",LANGUAGE=\"en\","
          "AUTOSELECT=YES,URI=\"sound-en.m3u8\"\n"
          "#EXT-X-STREAM-INF:BANDWIDTH=400000,RESOLUTION=64x48,CODECS=\"avc1.64000a\","
          "AUDIO=\"aud\"\npicture.m3u8\n"
          "#EXT-X-STREAM-INF:BANDWIDTH=300000,RESOLUTION=32x24,"
          "CODECS=\"avc1.64000a,mp4a.40.2\"\nmuxed.m3u8\n",
          type);
    serve("/hls/muxed.m3u8", testfiles::readFile(clip + "/muxed.m3u8"), type);
    serve("/hls/m.ts", testfiles::readFile(clip + "/m.ts"), "video/mp2t");
    serve("/hls/picture.m3u8", playlist(clip, "picture", keyEvery), type);
    const std::string sound = playlist(clip, "sound", keyEvery);
    serve("/hls/sound.m3u8", sound, type);
    serve("/hls/sound-en.m3u8", sound, type);
    for (const auto& entry : std::filesystem::directory_iterator(clip + "/dash"))
        serve("/dash/" + entry.path().filename().string(),
              testfiles::readFile(entry.path().string()), "application/octet-stream");
}

// ffmpeg's media playlist with our media sequence, its segments encrypted
// and the keys' tags where they change.
std::string StreamFixture::playlist(const std::string& clip, const std::string& name,
                                    int keyEvery) {
    std::istringstream in(testfiles::readFile(clip + "/" + name + ".m3u8"));
    std::string out;
    int segment = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("#EXT-X-MEDIA-SEQUENCE:"))
            line = "#EXT-X-MEDIA-SEQUENCE:" + std::to_string(firstSequence);
        if (line.empty() || line[0] == '#') {
            out += line + "\n";
            continue;
        }
        std::string bytes = testfiles::readFile(clip + "/" + line);
        if (keyEvery > 0) {
            const int key = segment / keyEvery;
            unsigned char iv[16] = {};
            const bool ownIv = key % 2 == 0;
            for (int i = 0; i < 16; ++i)
                iv[i] = static_cast<unsigned char>(ownIv ? 0xA0 + i + key : 0);
            const long long sequence = firstSequence + segment;
            for (int i = 0; i < 8 && !ownIv; ++i)
                iv[15 - i] = static_cast<unsigned char>(sequence >> (8 * i));
            if (segment % keyEvery == 0) {
                std::string tag =
                    "#EXT-X-KEY:METHOD=AES-128,URI=\"key" + std::to_string(key) + "\"";
                if (ownIv) {
                    tag += ",IV=0x";
                    for (const unsigned char c : iv)
                        tag += "0123456789abcdef"[c >> 4], tag += "0123456789abcdef"[c & 15];
                }
                out += tag + "\n";
                serve("/hls/key" + std::to_string(key), keyBytes(key), "application/octet-stream");
            }
            bytes = encrypted(bytes, keyBytes(key), iv);
        }
        serve("/hls/" + line, std::move(bytes), "video/mp2t");
        out += line + "\n";
        ++segment;
    }
    return out;
}

void StreamFixture::fault(const std::string& path, Fault fault) {
    std::lock_guard lock(state_->mutex);
    state_->faults[path] = fault;
}

std::vector<std::string> StreamFixture::served() const {
    std::lock_guard lock(state_->mutex);
    return state_->served;
}

void StreamFixture::serve(const std::string& path, std::string bytes, const std::string& type) {
    auto data = std::make_shared<const std::string>(std::move(bytes));
    // Runs on a server thread.
    srv_.get(path, [state = state_, srv = &srv_, path, data, type](const httplib::Request& req,
                                                                   httplib::Response& res) {
        const std::string range = req.get_header_value("Range");
        Fault fault = Fault::None;
        {
            std::lock_guard lock(state->mutex);
            state->served.push_back(range.empty() ? path : path + " " + range);
            if (const auto it = state->faults.find(path); it != state->faults.end())
                fault = it->second;
        }
        std::size_t from = 0, to = data->size();
        if (range.starts_with("bytes=")) {
            const std::size_t dash = range.find('-');
            from = std::min<std::size_t>(std::stoull(range.substr(6, dash - 6)), to);
            if (dash + 1 < range.size())
                to = std::min<std::size_t>(std::stoull(range.substr(dash + 1)) + 1, to);
            res.status = 206;
            res.set_header("Content-Range", "bytes " + std::to_string(from) + "-" +
                                                std::to_string(to - 1) + "/" +
                                                std::to_string(data->size()));
        }
        if (fault == Fault::NotFound || fault == Fault::Page) {
            res.status = fault == Fault::Page ? 200 : 404;
            res.set_content("<!DOCTYPE html><html><body>Please sign in</body></html>", "text/html");
            return;
        }
        if (fault == Fault::Short)
            to = std::max(from, to - std::min(to, shortBy));
        res.set_content_provider(
            to - from, type,
            [srv, data, from, fault](std::size_t offset, std::size_t length,
                                     httplib::DataSink& sink) {
                if (fault == Fault::Stall && offset > 0) {
                    srv->waitStalled();
                    return false;
                }
                if (fault == Fault::Trickle && offset > 0) {
                    for (int i = 0; i < 10 && !srv->stopping(); ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                    if (srv->stopping())
                        return false;
                }
                const std::size_t piece = fault == Fault::None || fault == Fault::Short
                                              ? std::min<std::size_t>(length, 64 * 1024)
                                              : std::min<std::size_t>(length, 16);
                return sink.write(data->data() + from + offset, piece);
            });
    });
}

namespace {

std::size_t kept(char* data, std::size_t size, std::size_t n, void* body) {
    static_cast<std::string*>(body)->append(data, size * n);
    return size * n;
}

} // namespace

Fetched fetch(const std::string& url, std::optional<std::pair<long long, long long>> range) {
    initCurlOnce();
    Fetched out;
    const std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &kept);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &out.body);
    const std::string asked = range ? std::to_string(range->first) + "-" +
                                          std::to_string(range->first + range->second - 1)
                                    : std::string();
    if (range)
        curl_easy_setopt(curl.get(), CURLOPT_RANGE, asked.c_str());
    if (curl_easy_perform(curl.get()) == CURLE_OK) {
        curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &out.status);
        curl_off_t length = -1;
        curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        out.announced = length;
    }
    return out;
}
