#include "files/ResumeState.h"

#include <charconv>
#include <utility>

std::string ResumeState::Segments::text() const {
    std::string joined;
    for (std::size_t i = 0; i < tracks.size(); ++i)
        joined += (i ? ";" : "") + tracks[i];
    return joined;
}

std::optional<ResumeState::Segments> ResumeState::Segments::parse(std::string manifest,
                                                                  std::string_view text) {
    Segments segments{std::move(manifest), {}};
    if (text.empty())
        return segments;
    // Only numbers and their separators: a note or a store is no place for
    // anything else to hide in.
    if (text.find_first_not_of("0123456789,-;@") != std::string_view::npos)
        return std::nullopt;
    for (std::size_t at = 0;;) {
        const std::size_t end = text.find(';', at);
        segments.tracks.emplace_back(text.substr(at, end - at));
        if (end == std::string_view::npos)
            return segments;
        at = end + 1;
    }
}

std::string ResumeState::Segments::prefix(const Prefix& done) {
    if (done.count == 0)
        return {};
    return "0-" + std::to_string(done.count - 1) + "@" + std::to_string(done.bytes);
}

std::optional<ResumeState::Segments::Prefix>
ResumeState::Segments::prefixOf(std::string_view track) {
    if (track.empty())
        return Prefix{};
    const auto number = [](std::string_view text, auto& value) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return error == std::errc() && end == text.data() + text.size() && !text.empty();
    };
    const std::size_t at = track.find('@');
    std::size_t last = 0;
    long long bytes = 0;
    if (!track.starts_with("0-") || at == std::string_view::npos ||
        !number(track.substr(2, at - 2), last) || !number(track.substr(at + 1), bytes) || bytes < 0)
        return std::nullopt;
    return Prefix{last + 1, bytes};
}

std::string ResumeState::trackFile(std::size_t index) const {
    if (index == 0 || partFile.empty())
        return partFile;
    constexpr std::string_view suffix = ".part";
    const std::string mark = ".t" + std::to_string(index);
    if (partFile.size() > suffix.size() && partFile.ends_with(suffix))
        return partFile.substr(0, partFile.size() - suffix.size()) + mark + std::string(suffix);
    return partFile + mark;
}

std::vector<std::string> ResumeState::files() const {
    std::vector<std::string> all;
    if (partFile.empty())
        return all;
    for (std::size_t i = 0; i < maxTracks; ++i)
        all.push_back(trackFile(i));
    return all;
}
