#include "FileTitle.h"

#include "StagedFile.h"
#include "TitleCleaner.h"

#include <algorithm>
#include <climits>
#include <limits>

const std::size_t FileTitle::maxSafeBytes =
    NAME_MAX - 4 - std::max(StagedFile::extraNameBytes, StagedFile::maxExtraNameBytes);

std::string FileTitle::safe(std::string title) {
    std::string cleaned = TitleCleaner::clean(
        title, {false, false, std::numeric_limits<std::size_t>::max(), maxSafeBytes});
    return cleaned.empty() ? std::string("video") : cleaned;
}
