#pragma once

#include "SegmentRef.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// How a DASH representation names its media.
enum class DashAddressing { None, Template, List, Base, BaseUrlOnly };

// One DASH media segment: where it is and how long it plays.
struct DashSegment {
    SegmentRef part;
    double seconds = 0;
};

// A representation's segments as its manifest describes them (a template
// and its timeline, a list, or one file), kept as written so that the
// representations of a set share them, and written out on demand with
// every address resolved.
class DashSegmentList {
public:
    // A SegmentTimeline's S: count segments of duration from time on.
    struct TimelineEntry {
        long long time = 0;
        long long duration = 0;
        long long count = 1;
    };
    // A SegmentTimeline: its S in order and the segments they make.
    struct Timeline {
        std::vector<TimelineEntry> entries;
        std::size_t segments = 0;
    };
    // A SegmentList's SegmentURL.
    struct ListEntry {
        std::string media; // empty: the base itself
        std::optional<ByteRange> range;
    };

    struct Segments {
        std::optional<SegmentRef> init;
        std::vector<DashSegment> media;
    };

    // The media segments described; 0 when they cannot be counted.
    std::size_t count() const;
    // Every segment, in order; none when an address cannot be made or is
    // not http(s).
    std::optional<Segments> segments() const;
    // The addresses it would make reach http(s) only (the first and the
    // last are made and read; the rest differ by numbers alone).
    bool addressesUsable() const;

    DashAddressing addressing = DashAddressing::None;
    long long timescale = 1;
    long long duration = 0; // a segment's, in timescale units
    long long startNumber = 1;
    std::string media;                   // a template's pattern
    std::string initialization;          // a template's pattern, or an Initialization's sourceURL
    std::optional<ByteRange> initRange;  // an Initialization's range
    std::optional<ByteRange> indexRange; // a SegmentBase's indexRange
    std::shared_ptr<Timeline> timeline;
    std::shared_ptr<std::vector<ListEntry>> list;

    // The representation's, which the addresses are made with.
    std::string base; // its BaseURL in force, resolved
    std::string id;
    long long bandwidth = 0;
    double periodSeconds = 0;
};
