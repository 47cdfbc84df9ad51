#pragma once

#include "jobs/SourceRef.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// The sources one Search page's own requests turned out to be: which
// addresses were checked (at most maxChecks a loaded document, however its
// scripts rewrite its address), and what was found (at most maxKept) for
// the address shown. Window thread only.
class LiveSources {
public:
    // Another document: nothing checked, nothing found.
    void reset();
    // The document shows another address (history.pushState): what was
    // found belongs to the last one, and what was checked still counts.
    void forgetFound();
    // The page asks for protected media: nothing more is checked or offered.
    void block();

    // Whether address is still to be checked; counts it when it is.
    bool shouldCheck(const std::string& address);
    // What the check of address found in this document.
    void know(const std::string& address, SourceRef source);
    // Offers what address was found to be in this document (again, when it
    // is asked for after the address shown changed); false when that is
    // nothing new, or the list is full.
    bool recall(const std::string& address);

    const std::vector<SourceRef>& found() const { return sources; }
    bool blocked() const { return stopped; }

    static constexpr std::size_t maxChecks = 20;
    static constexpr std::size_t maxKept = 1000;

private:
    std::set<std::string> checked;
    // What each address checked in this document turned out to be.
    std::map<std::string, SourceRef> known;
    std::vector<SourceRef> sources;
    bool stopped = false;
};
