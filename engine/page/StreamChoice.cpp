#include "page/StreamChoice.h"

#include "page/PercentDecoder.h"
#include "page/RelativeAddress.h"
#include "page/StreamMap.h"

#include <string_view>

StreamChoice StreamChoice::inPage(std::string& page, int quality, const std::string& pageAddress) {
    // Decoded where it lies and read through views: a hostile page costs no
    // memory beyond its own, whatever its map holds.
    percentDecode(page);
    const StreamMap map = StreamMap::inPage(page);
    StreamChoice choice;
    choice.count = map.size();
    // A map without a single entry offers nothing to download.
    if (map.empty())
        return choice;
    const std::string_view address = StreamMap::address(quality == 4 ? map.first() : map.last());
    choice.url = resolveAddress(pageAddress, address);
    return choice;
}
