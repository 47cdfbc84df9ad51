#pragma once

#include <string>
#include <string_view>

// The Referer a browser sends by default (strict-origin-when-cross-origin):
// the page's whole address to its own origin, its origin alone ("https://
// host:port/") to any other, nothing from an https page to an http address.
// A page's query may hold its tokens: no other host is told them.
class RefererPolicy {
public:
    // What a request to target says of page: empty for nothing (page empty
    // or not http(s), or https to http). Without fragment or user name;
    // beyond maxBytes, only the origin.
    static std::string referer(std::string_view page, std::string_view target);

    // Browsers' own bound on a Referer.
    static constexpr std::size_t maxBytes = 4096;
};
