#pragma once

#include <cstddef>
#include <string_view>

// A stream map, "key|address" entries between commas, read where it lies in
// the page: no entry is copied, so a hostile page of millions of entries
// costs no memory beyond its own. Entries are ordered by key (see before());
// the first in that order is the lowest quality's pick, the last the others'.
class StreamMap {
public:
    // The map's text, as found after its marker. A text that is empty or
    // starts with a comma holds no entry; otherwise every comma parts two.
    explicit StreamMap(std::string_view text);
    // The map of a (percent-decoded) page: after its first "fmt_url_map=",
    // up to the "&amp;" that follows or the page's end. Empty without one.
    static StreamMap inPage(std::string_view page);

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // The first entry in key order; of equal keys, the one met first. Only
    // when not empty().
    std::string_view first() const { return first_; }
    // The last entry in key order; of equal keys, the one met last.
    std::string_view last() const { return last_; }

    // Calls visit(entry) for every entry in page order.
    template <typename Visit> void forEach(Visit&& visit) const {
        if (count_ != 0)
            split(text_, visit);
    }

    // Key order: the key (the text before the first "|"; an entry without
    // one sorts before every key) by length, then byte by byte as signed char.
    static bool before(std::string_view a, std::string_view b);
    // The part of an entry after its first "|", the whole entry without one.
    static std::string_view address(std::string_view entry);

private:
    template <typename Visit> static void split(std::string_view text, Visit& visit) {
        for (std::size_t start = 0;;) {
            const auto comma = text.find(',', start);
            visit(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
            if (comma == std::string_view::npos)
                return;
            start = comma + 1;
        }
    }

    std::string_view text_;
    std::size_t count_ = 0;
    std::string_view first_;
    std::string_view last_;
};
