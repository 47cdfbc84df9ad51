#include "app/search/LiveSources.h"

#include <algorithm>
#include <utility>

void LiveSources::reset() {
    checked.clear();
    known.clear();
    sources.clear();
    stopped = false;
}

void LiveSources::forgetFound() {
    sources.clear();
}

void LiveSources::block() {
    stopped = true;
    known.clear();
    sources.clear();
}

bool LiveSources::shouldCheck(const std::string& address) {
    if (stopped || checked.size() >= maxChecks)
        return false;
    return checked.insert(address).second;
}

void LiveSources::know(const std::string& address, SourceRef source) {
    if (!stopped)
        known.emplace(address, std::move(source));
}

bool LiveSources::recall(const std::string& address) {
    const auto found = known.find(address);
    if (stopped || found == known.end() || sources.size() >= maxKept)
        return false;
    const auto same = [&](const SourceRef& listed) { return listed.url == found->second.url; };
    if (std::any_of(sources.begin(), sources.end(), same))
        return false;
    sources.push_back(found->second);
    return true;
}
