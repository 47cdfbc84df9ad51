#include "jobs/SourceProbe.h"

#include "base/MediaFormat.h"
#include "http/FetchBounds.h"
#include "http/HttpClient.h"
#include "jobs/PageOffer.h"
#include "page/StreamManifest.h"

#include <cctype>

namespace {

std::string lower(std::string_view text) {
    std::string out(text.substr(0, text.find(';')));
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// The parts a stream is cut into, by type, extension or first bytes.
bool streamPart(std::string_view type, std::string_view first, std::string_view address) {
    using Kind = MediaFormat::Kind;
    return MediaFormat::ofType(type).kind == Kind::Part ||
           MediaFormat::ofAddress(address).kind == Kind::Part ||
           MediaFormat::ofSignature(first).kind == Kind::Part;
}

} // namespace

bool SourceProbe::wholeMedia(std::string_view type, std::string_view first, long long size,
                             std::string_view address) {
    if (!PageOffer::isMedia(type, first) || streamPart(type, first, address))
        return false;
    return size < 0 || size >= minWholeBytes;
}

std::optional<PageSource> SourceProbe::check(const std::string& url, const FetchBounds& bounds,
                                             const CancelToken* cancel, long long* bytes) {
    if (bytes)
        *bytes = 0;
    std::string text;
    std::string head;
    // Decided on the answer's first bytes: the body of a media file is not
    // read at all.
    HttpRequest request = HttpRequest::page(url, bounds);
    request.maxBytes = maxManifestBytes;
    request.deadlineSeconds = deadlineSeconds;
    request.cancel = cancel;
    request.isMedia = [&head](std::string_view type, std::string_view first) {
        head.assign(first.substr(0, 512));
        return PageOffer::isMedia(type, first);
    };
    const HttpResponse fetched = HttpClient::fetchPage(request, text);
    if (fetched.failure == HttpResponse::Failure::NoHandle)
        return std::nullopt;
    const std::string& address = fetched.address;
    const std::string& type = fetched.type;
    PageSource source;
    source.url = address;
    source.origin = PageSource::Origin::Request;
    if (fetched.media) {
        if (bytes && fetched.length > 0)
            *bytes = fetched.length;
        if (!wholeMedia(type, head, fetched.length, address))
            return std::nullopt;
        source.type = lower(type);
        source.audio = source.type.rfind("audio/", 0) == 0;
        return source;
    }
    if (!fetched.ok() || fetched.status >= 400)
        return std::nullopt;
    switch (StreamManifest::recognise(type, std::string_view(text).substr(0, 1024), address)) {
    case StreamManifest::Kind::Hls:
        source.type = "application/vnd.apple.mpegurl";
        return source;
    case StreamManifest::Kind::Dash:
        source.type = "application/dash+xml";
        return source;
    case StreamManifest::Kind::None:
        break;
    }
    return std::nullopt;
}
