#pragma once

#include <string>
#include <vector>

// What a job says from its start up to the movie's container word, then tail.
inline std::vector<std::string> withHead(const std::vector<std::string>& tail) {
    std::vector<std::string> all = {"Scraping URL...",
                                    "Initial response received!",
                                    "Searching for download source...",
                                    "Found movie source!",
                                    "Requesting connection to download movie...",
                                    "Downloading... [Patience]"};
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
}
