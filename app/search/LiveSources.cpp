#include "app/search/LiveSources.h"

#include <algorithm>
#include <utility>

void LiveSources::reset() {
    checked.clear();
    sources.clear();
    stopped = false;
}

void LiveSources::block() {
    stopped = true;
    sources.clear();
}

bool LiveSources::shouldCheck(const std::string& address) {
    if (stopped || checked.size() >= maxChecks)
        return false;
    return checked.insert(address).second;
}

bool LiveSources::add(SourceRef source) {
    if (stopped || sources.size() >= maxKept)
        return false;
    const auto same = [&](const SourceRef& known) { return known.url == source.url; };
    if (std::any_of(sources.begin(), sources.end(), same))
        return false;
    sources.push_back(std::move(source));
    return true;
}
