#include "page/StreamMap.h"

namespace {

constexpr std::string_view kMapMarker = "fmt_url_map=";
constexpr std::string_view kMapEnd = "&amp;";

// Position of the first "|", -1 when there is none.
long keyLength(std::string_view entry) {
    const auto bar = entry.find('|');
    return bar == std::string_view::npos ? -1 : static_cast<long>(bar);
}

// Key order of two entries whose key lengths are known.
bool keyBefore(std::string_view a, long lengthA, std::string_view b, long lengthB) {
    if (lengthA != lengthB)
        return lengthA < lengthB;
    for (long i = 0; i < lengthA; ++i) {
        const auto ca = static_cast<signed char>(a[i]);
        const auto cb = static_cast<signed char>(b[i]);
        if (ca != cb)
            return ca < cb;
    }
    return false;
}

} // namespace

StreamMap::StreamMap(std::string_view text) : text_(text) {
    if (text.empty() || text.front() == ',')
        return;
    // One pass keeps the two ends a stable sort would give. The ends' key
    // lengths are kept, so a long entry is searched for its "|" only once.
    long firstKey = 0;
    long lastKey = 0;
    auto visit = [&](std::string_view entry) {
        const long key = keyLength(entry);
        if (count_ == 0 || keyBefore(entry, key, first_, firstKey)) {
            first_ = entry;
            firstKey = key;
        }
        if (count_ == 0 || !keyBefore(entry, key, last_, lastKey)) {
            last_ = entry;
            lastKey = key;
        }
        ++count_;
    };
    split(text, visit);
}

StreamMap StreamMap::inPage(std::string_view page) {
    const auto marker = page.find(kMapMarker);
    if (marker == std::string_view::npos)
        return StreamMap({});
    const auto start = marker + kMapMarker.size();
    const auto end = page.find(kMapEnd, start);
    return StreamMap(page.substr(start, end == std::string_view::npos ? end : end - start));
}

bool StreamMap::before(std::string_view a, std::string_view b) {
    return keyBefore(a, keyLength(a), b, keyLength(b));
}

std::string_view StreamMap::address(std::string_view entry) {
    const auto bar = entry.find('|');
    return bar == std::string_view::npos ? entry : entry.substr(bar + 1);
}
