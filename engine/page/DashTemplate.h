#pragma once

#include <optional>
#include <string>
#include <string_view>

// A DASH SegmentTemplate's media or initialization pattern filled in:
// $RepresentationID$, $Number$, $Bandwidth$ and $Time$, the numbers with an
// optional width ("$Number%05d$"), and "$$" for a dollar sign.
class DashTemplate {
public:
    struct Values {
        std::string_view id;
        long long number = 0;
        long long bandwidth = 0;
        long long time = 0;
    };

    // None for an identifier or format it does not know, a "$" left open,
    // or a result longer than maxBytes.
    static std::optional<std::string> fill(std::string_view pattern, const Values& values);

    static constexpr std::size_t maxBytes = 16 * 1024;
    static constexpr int maxWidth = 32;
};
