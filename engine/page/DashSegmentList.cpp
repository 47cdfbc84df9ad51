#include "DashSegmentList.h"

#include "DashTemplate.h"
#include "RelativeAddress.h"

#include <algorithm>
#include <cmath>

std::size_t DashSegmentList::count() const {
    double n = 0;
    switch (addressing) {
    case DashAddressing::None:
        return 0;
    case DashAddressing::Base:
    case DashAddressing::BaseUrlOnly:
        return 1;
    case DashAddressing::List:
        return list ? list->size() : 0;
    case DashAddressing::Template:
        if (timeline)
            n = static_cast<double>(timeline->segments);
        else if (duration > 0 && periodSeconds > 0)
            n = std::ceil(periodSeconds * static_cast<double>(timescale) /
                          static_cast<double>(duration));
        break;
    }
    // Past any count a manifest may have: the caller refuses it.
    return n > 1e9 ? std::size_t{1000000000} : static_cast<std::size_t>(n);
}

namespace {

class Writer {
public:
    explicit Writer(const DashSegmentList& list) : list(list) {}

    // reference read against the base; the base itself when empty.
    std::optional<std::string> address(const std::string& reference) const {
        const std::string url =
            reference.empty() ? list.base : resolveAddress(list.base, reference);
        if (!isHttpAddress(url))
            return std::nullopt;
        return url;
    }

    std::optional<std::string> filled(const std::string& pattern, long long number,
                                      long long time) const {
        const auto reference = DashTemplate::fill(pattern, {list.id, number, list.bandwidth, time});
        if (!reference || reference->empty())
            return std::nullopt;
        return address(*reference);
    }

    double seconds(long long units) const {
        return static_cast<double>(units) / static_cast<double>(std::max(1LL, list.timescale));
    }

private:
    const DashSegmentList& list;
};

} // namespace

std::optional<DashSegmentList::Segments> DashSegmentList::segments() const {
    const Writer writer(*this);
    Segments out;
    const std::size_t n = count();
    if (n == 0 || n > 1000000)
        return std::nullopt;
    if (addressing == DashAddressing::Template) {
        if (!initialization.empty()) {
            const auto init = writer.filled(initialization, startNumber, 0);
            if (!init)
                return std::nullopt;
            out.init = SegmentRef{*init, std::nullopt};
        }
        out.media.reserve(n);
        long long number = startNumber;
        const auto add = [&](long long time, long long units) {
            const auto url = writer.filled(media, number++, time);
            if (!url)
                return false;
            out.media.push_back({{*url, std::nullopt}, writer.seconds(units)});
            return true;
        };
        if (timeline) {
            for (const TimelineEntry& e : timeline->entries)
                for (long long k = 0; k < e.count; ++k)
                    if (!add(e.time + k * e.duration, e.duration))
                        return std::nullopt;
        } else {
            const double total = periodSeconds * static_cast<double>(timescale);
            for (std::size_t k = 0; k < n; ++k) {
                const double start = static_cast<double>(k) * static_cast<double>(duration);
                if (start > 9e18)
                    return std::nullopt;
                const auto units =
                    static_cast<long long>(std::min(static_cast<double>(duration), total - start));
                if (!add(static_cast<long long>(start), units))
                    return std::nullopt;
            }
        }
        return out;
    }
    if (!initialization.empty() || (addressing == DashAddressing::List && initRange)) {
        const auto init = writer.address(initialization);
        if (!init)
            return std::nullopt;
        out.init = SegmentRef{*init, initRange};
    }
    if (addressing == DashAddressing::List) {
        out.media.reserve(n);
        const double seconds =
            duration > 0 ? writer.seconds(duration) : periodSeconds / static_cast<double>(n);
        for (std::size_t i = 0; i < list->size(); ++i) {
            const auto url = writer.address((*list)[i].media);
            if (!url)
                return std::nullopt;
            out.media.push_back({{*url, (*list)[i].range}, seconds});
        }
        return out;
    }
    // One file, fetched whole (its init and index are in it).
    const auto url = writer.address({});
    if (!url)
        return std::nullopt;
    out.media.push_back({{*url, std::nullopt}, periodSeconds});
    return out;
}

bool DashSegmentList::addressesUsable() const {
    const Writer writer(*this);
    if (addressing != DashAddressing::Template)
        return true; // checked as the manifest was read
    const std::size_t n = count();
    long long lastTime = 0;
    if (timeline && !timeline->entries.empty()) {
        const TimelineEntry& last = timeline->entries.back();
        lastTime = last.time + (last.count - 1) * last.duration;
    } else if (n > 0 && static_cast<double>(n - 1) * static_cast<double>(duration) < 9e18)
        lastTime = static_cast<long long>(n - 1) * duration;
    return !media.empty() && writer.filled(media, startNumber, 0) &&
           writer.filled(media, startNumber + static_cast<long long>(n), lastTime) &&
           (initialization.empty() || writer.filled(initialization, startNumber, 0));
}
