#include "page/StreamManifest.h"

#include "base/AsciiCase.h"
#include "base/MediaFormat.h"

#include <string>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view withoutBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The first element's name, past an XML declaration, comments and
// processing instructions; empty when the bytes hold none (yet).
std::string_view rootName(std::string_view text) {
    while (true) {
        text = withoutBlanks(text);
        if (text.starts_with("<?")) {
            const std::size_t end = text.find("?>");
            if (end == std::string_view::npos)
                return {};
            text.remove_prefix(end + 2);
        } else if (text.starts_with("<!--")) {
            const std::size_t end = text.find("-->");
            if (end == std::string_view::npos)
                return {};
            text.remove_prefix(end + 3);
        } else if (text.starts_with('<')) {
            text.remove_prefix(1);
            const std::size_t end = text.find_first_of(" \t\r\n/>");
            return end == std::string_view::npos ? std::string_view() : text.substr(0, end);
        } else {
            return {};
        }
    }
}

bool isMpd(std::string_view name) {
    const std::size_t colon = name.find(':');
    return (colon == std::string_view::npos ? name : name.substr(colon + 1)) == "MPD";
}

StreamManifest::Kind kindOf(const MediaFormat& format) {
    switch (format.kind) {
    case MediaFormat::Kind::Hls:
        return StreamManifest::Kind::Hls;
    case MediaFormat::Kind::Dash:
        return StreamManifest::Kind::Dash;
    default:
        return StreamManifest::Kind::None;
    }
}

} // namespace

StreamManifest::Kind StreamManifest::recognise(std::string_view contentType,
                                               std::string_view firstBytes,
                                               std::string_view address) {
    std::string_view body = firstBytes;
    if (body.starts_with("\xEF\xBB\xBF"))
        body.remove_prefix(3);
    body = withoutBlanks(body);
    if (body.starts_with("#EXTM3U"))
        return Kind::Hls;
    if (isMpd(rootName(body)))
        return Kind::Dash;

    if (const Kind named = kindOf(MediaFormat::ofType(contentType)); named != Kind::None)
        return named;

    // The extension is a hint only: for a body not seen yet, served as
    // nothing in particular.
    const std::string type =
        asciiLowered(withoutBlanks(contentType.substr(0, contentType.find(';'))));
    if (!body.empty() || !(type.empty() || type == "application/octet-stream" ||
                           type == "binary/octet-stream" || type == "text/plain"))
        return Kind::None;
    return kindOf(MediaFormat::ofAddress(address));
}
