#pragma once

#include "jobs/SourceRef.h"

#include <set>
#include <string>
#include <vector>

// The sources one Search page's own requests turned out to be: which
// addresses were checked (at most maxChecks a page), and what was found
// (at most maxKept). Dropped when the pane navigates. Window thread only.
class LiveSources {
public:
    // Another page: nothing checked, nothing found.
    void reset();
    // The page asks for protected media: nothing more is checked or offered.
    void block();

    // Whether address is still to be checked; counts it when it is.
    bool shouldCheck(const std::string& address);
    // A source found; false when it was known or the list is full.
    bool add(SourceRef source);

    const std::vector<SourceRef>& found() const { return sources; }
    bool blocked() const { return stopped; }

    static constexpr std::size_t maxChecks = 20;
    static constexpr std::size_t maxKept = 1000;

private:
    std::set<std::string> checked;
    std::vector<SourceRef> sources;
    bool stopped = false;
};
