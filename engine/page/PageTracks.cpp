#include "page/PageTracks.h"

#include "base/HttpAddress.h"
#include "page/RelativeAddress.h"

#include <unordered_set>
#include <utility>

namespace {

std::string_view attribute(const HtmlReader::Attributes& attributes, std::string_view name) {
    for (const auto& [key, value] : attributes)
        if (key == name)
            return value;
    return {};
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
}

} // namespace

PageTracks::PageTracks(HtmlReader::Handler& next, std::string pageAddress)
    : next_(next), pageAddress_(std::move(pageAddress)) {}

void PageTracks::open(std::string_view name, const HtmlReader::Attributes& attributes) {
    if (name == "video" || name == "audio") {
        ++media_;
    } else if (name == "base" && !baseSeen_) {
        baseSeen_ = true;
        base_ = std::string(attribute(attributes, "href"));
    } else if (name == "track" && media_ > 0 && tracks_.size() < maxTracks) {
        const std::string kind = lowered(attribute(attributes, "kind"));
        const std::string_view src = attribute(attributes, "src");
        if ((kind.empty() || kind == "subtitles" || kind == "captions") && !src.empty()) {
            SubtitleTrack track;
            track.kind =
                kind == "captions" ? SubtitleTrack::Kind::Captions : SubtitleTrack::Kind::Subtitles;
            track.language = std::string(attribute(attributes, "srclang"));
            track.label = std::string(attribute(attributes, "label"));
            track.url = std::string(src);
            track.form = SubtitleTrack::formOf(src, attribute(attributes, "type"));
            tracks_.push_back(std::move(track));
        }
    }
    next_.open(name, attributes);
}

void PageTracks::close(std::string_view name) {
    if ((name == "video" || name == "audio") && media_ > 0)
        --media_;
    next_.close(name);
}

void PageTracks::text(std::string_view text) {
    next_.text(text);
}

std::vector<SubtitleTrack> PageTracks::tracks() const {
    // <base href> is read against the page, every track against <base>.
    std::string base = pageAddress_;
    if (!base_.empty()) {
        const std::string resolved = resolveAddress(pageAddress_, base_);
        if (!resolved.empty())
            base = resolved;
    }
    std::vector<SubtitleTrack> kept;
    std::unordered_set<std::string> seen;
    for (SubtitleTrack track : tracks_) {
        track.url = resolveAddress(base, track.url);
        if (isHttpAddress(track.url) && seen.insert(track.url).second)
            kept.push_back(std::move(track));
    }
    return kept;
}
