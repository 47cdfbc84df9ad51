#pragma once

#include <string>

// The source a transfer saves, as its record keeps it: where it was found
// (kindStreamMap, kindDirect, or a page form's name), the label it is listed
// by, and the address it had when last seen (a signed address may expire;
// the label is what a resume finds it by again).
struct SourceRef {
    std::string kind;
    std::string label;
    std::string url;

    static constexpr const char* kindStreamMap = "stream-map";
    static constexpr const char* kindDirect = "direct";

    bool empty() const { return kind.empty() && label.empty() && url.empty(); }
};
