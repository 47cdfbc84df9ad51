#include "PageSource.h"

#include <cctype>
#include <string_view>

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct Known {
    const char* type;
    const char* extension;
};

// Types and extensions of what a page may name, and the container each is.
constexpr Known knownTypes[] = {
    {"video/mp4", "mp4"},
    {"video/webm", "webm"},
    {"video/x-matroska", "mkv"},
    {"video/x-flv", "flv"},
    {"video/ogg", "ogv"},
    {"audio/mp4", "m4a"},
    {"audio/m4a", "m4a"},
    {"audio/x-m4a", "m4a"},
    {"audio/aac", "aac"},
    {"audio/mpeg", "mp3"},
    {"audio/mp3", "mp3"},
    {"audio/ogg", "ogg"},
    {"audio/webm", "webm"},
    {"audio/wav", "wav"},
    {"application/x-mpegurl", "m3u8"},
    {"application/vnd.apple.mpegurl", "m3u8"},
    {"application/dash+xml", "mpd"},
};
constexpr const char* knownExtensions[] = {"mp4", "m4v",  "webm", "mkv",  "flv",
                                           "ogv", "m4a",  "aac",  "mp3",  "ogg",
                                           "oga", "opus", "wav",  "m3u8", "mpd"};

// The address's extension: after the last "." of its path, before any
// query or fragment.
std::string extensionOf(const std::string& url) {
    std::string_view path(url);
    path = path.substr(0, path.find_first_of("?#"));
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return lower(path.substr(dot + 1));
}

} // namespace

std::string PageSource::container() const {
    std::string given = lower(type);
    given = given.substr(0, given.find(';'));
    for (const Known& known : knownTypes)
        if (given == known.type || given == known.extension)
            return known.extension;
    const std::string extension = extensionOf(url);
    for (const char* known : knownExtensions)
        if (extension == known)
            return extension == "m4v" ? "mp4" : extension;
    return {};
}

bool PageSource::stream() const {
    const std::string name = container();
    return name == "m3u8" || name == "mpd";
}

std::string PageSource::label() const {
    std::string name = container();
    if (name == "m3u8")
        name = "HLS";
    else if (name == "mpd")
        name = "DASH";
    else if (name == "webm")
        name = "WebM";
    else
        for (char& c : name)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (audio)
        return name.empty() ? "Audio" : "Audio " + name;
    if (name.empty())
        name = "Video";
    return lines > 0 ? std::to_string(lines) + "p " + name : name;
}
