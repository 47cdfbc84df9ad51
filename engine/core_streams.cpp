#include "DownloadJob.h"
#include "PercentDecoder.h"
#include "RelativeAddress.h"
#include "StreamMap.h"

#include <string_view>

namespace {

// The address the page came from, after any redirect: what a relative
// stream address is read against. A handle that fetched nothing (tests)
// leaves the job's own.
std::string pageAddress(CURL* curl, const std::string& fallback) {
    char* effective = nullptr;
    if (curl && curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK &&
        effective && *effective)
        return effective;
    return fallback;
}

} // namespace

bool DownloadJob::chooseStream(CURL* curl) {
    // Decoded where it lies and read through views: a hostile page costs no
    // memory beyond its own, whatever its map holds.
    percentDecode(pageText);
    const StreamMap map = StreamMap::inPage(pageText);
    streamCount = static_cast<int>(map.size());
    // A map without a single entry offers nothing to download.
    if (map.empty())
        return false;
    const std::string_view address = StreamMap::address(quality == 4 ? map.first() : map.last());
    streamUrl = resolveAddress(pageAddress(curl, pageUrl), address);
    return true;
}
