#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The bytes of a file that are on disk, as sorted, disjoint spans that never
// touch (touching ones are joined). A file written by several connections is
// continued from these rather than from its size. Kept as text in the
// transfer store and in quillmoth-get's resume note: "bytes=" and
// "FIRST-LAST" spans (both included, as in Content-Range) joined by ",";
// "bytes=" alone is an empty set, never the same as no record at all.
class ByteRanges {
public:
    // [from, to): to is past the last byte.
    struct Span {
        long long from = 0;
        long long to = 0;
        long long size() const { return to - from; }
        bool operator==(const Span&) const = default;
    };

    // Adds [from, to); nothing when it is empty.
    void add(long long from, long long to);
    const std::vector<Span>& spans() const { return spans_; }
    bool empty() const { return spans_.empty(); }
    // Bytes in all spans.
    long long bytes() const;
    // Whether [0, total) is covered.
    bool covers(long long total) const;
    // The spans of [0, total) not covered, in order.
    std::vector<Span> missing(long long total) const;

    std::string text() const;
    // The set text() wrote for a file of total bytes; nothing when it is not
    // one (a span past total, out of order, or any other text).
    static std::optional<ByteRanges> parse(std::string_view text, long long total);

    bool operator==(const ByteRanges&) const = default;

private:
    std::vector<Span> spans_;
};
