#include "PercentDecoder.h"
#include "core.h"

#include <algorithm>

namespace {

const std::string kMapMarker = "fmt_url_map=";
const std::string kMapEnd = "&amp;";

// Position of the first '|' of an entry, -1 when it has none.
long keyLength(const std::string& entry) {
    const auto pos = entry.find('|');
    return pos == std::string::npos ? -1 : static_cast<long>(pos);
}

} // namespace

bool core::findDetails(CURL* curl) {
    const std::string page = percentDecode(curl, pageText.c_str());
    const auto marker = page.find(kMapMarker);
    if (marker == std::string::npos) {
        return false;
    }
    const auto start = marker + kMapMarker.size();
    const auto end = page.find(kMapEnd, start);
    splitUrls(page.substr(start, end == std::string::npos ? std::string::npos : end - start));
    // A map without a single entry offers nothing to download.
    return !streams.empty();
}

bool core::splitUrls(std::string map) {
    std::size_t start = 0;
    int count = 0;
    for (;;) {
        const auto comma = map.find(',', start);
        if (comma == std::string::npos || comma == 0) {
            break;
        }
        streams.push_back(map.substr(start, comma - start));
        start = comma + 1;
        ++count;
    }
    // The text after the last comma. A map without any comma is one entry;
    // one that starts with a comma gives nothing.
    if (count >= 1 || (!map.empty() && map.front() != ',')) {
        streams.push_back(map.substr(start));
        ++count;
    }
    streamCount = count;

    std::sort(streams.begin(), streams.end(), my_sort);
    if (!streams.empty()) {
        setUrl();
    }
    return true;
}

bool core::my_sort(const std::string& a, const std::string& b) {
    const long pa = keyLength(a);
    const long pb = keyLength(b);
    if (pa != pb) {
        return pa < pb;
    }
    for (long i = 0; i < pa; ++i) {
        const auto ca = static_cast<signed char>(a[i]);
        const auto cb = static_cast<signed char>(b[i]);
        if (ca != cb) {
            return ca < cb;
        }
    }
    return false;
}

void core::setUrl() {
    if (streams.empty()) {
        return;
    }
    const std::string& entry = quality == 4 ? streams.front() : streams.back();
    const auto bar = entry.find('|');
    streamUrl = bar == std::string::npos ? entry : entry.substr(bar + 1);
}
