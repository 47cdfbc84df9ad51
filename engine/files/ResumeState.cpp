#include "ResumeState.h"

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
    if (text.find_first_not_of("0123456789,-;") != std::string_view::npos)
        return std::nullopt;
    for (std::size_t at = 0;;) {
        const std::size_t end = text.find(';', at);
        segments.tracks.emplace_back(text.substr(at, end - at));
        if (end == std::string_view::npos)
            return segments;
        at = end + 1;
    }
}
