#pragma once

#include <cstddef>
#include <string>

// The stream a download job takes from its watch page: the page's stream
// map (StreamMap) and the entry its quality asks for, as an address read
// against the page's own.
class StreamChoice {
public:
    // Percent-decodes page in place and reads its first map: quality 4
    // takes the first entry in key order, the others the last. pageAddress
    // (where the page was fetched from, after redirects) is what a relative
    // address is read against.
    static StreamChoice inPage(std::string& page, int quality, const std::string& pageAddress);

    // The page offers at least one stream.
    bool found() const { return count != 0; }

    // How many entries the map holds.
    std::size_t count = 0;
    // The chosen entry's address; empty when it names nothing to fetch.
    std::string url;
};
