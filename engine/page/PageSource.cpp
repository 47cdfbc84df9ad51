#include "PageSource.h"

#include "MediaFormat.h"

#include <cctype>

namespace {

// The format the type names (or a format given by its name, "mp4"), else
// the address's extension; only whole media and manifests count.
MediaFormat formatOf(const PageSource& source) {
    MediaFormat given = MediaFormat::ofType(source.type);
    if (!given && source.type.find('/') == std::string::npos)
        given = MediaFormat::ofExtension(source.type);
    if (given.whole() || given.manifest())
        return given;
    const MediaFormat named = MediaFormat::ofAddress(source.url);
    return named.whole() || named.manifest() ? named : MediaFormat{};
}

} // namespace

std::string PageSource::container() const {
    return std::string(formatOf(*this).name);
}

bool PageSource::stream() const {
    return formatOf(*this).manifest();
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
