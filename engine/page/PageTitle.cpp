#include "PageTitle.h"

#include "DecodedText.h"
#include "TitleCleaner.h"

#include <limits>
#include <string_view>

namespace {

constexpr std::string_view kHeadline = "id=\"watch-headline-title\">";
constexpr std::string_view kClosingTag = "</h";
constexpr std::string_view kTitleAttribute = "title=\"";
constexpr std::string_view kAttributeEnd = "\">";
constexpr std::size_t kMaxTitleChars = 42;
// A headline is read from at most this much of its text: far more than 42
// characters take, however many controls and blanks come first.
constexpr std::size_t kMaxTitleRead = std::size_t{64} << 10;
constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();
const std::string kFallbackTitle = "video";

} // namespace

std::string PageTitle::readable(std::string_view title) {
    std::string cleaned = TitleCleaner::clean(title, {false, false, kNoLimit, maxReadableBytes});
    return cleaned.empty() ? kFallbackTitle : cleaned;
}

std::optional<std::string> PageTitle::find(std::string_view html) {
    // Searched where it lies, as its percent-decoded form reads: the job
    // passes its whole page, which must not cost a second copy.
    const DecodedText page(html);
    std::size_t segStart = 0;
    if (page.find(kHeadline, 0, page.size(), &segStart) == DecodedText::npos)
        return {};
    std::size_t segEnd = page.find(kClosingTag, segStart, page.size());
    if (segEnd == DecodedText::npos)
        segEnd = page.size();

    std::size_t start = 0;
    std::size_t end = 0;
    const auto attribute = page.find(kTitleAttribute, segStart, segEnd, &start);
    if (attribute != DecodedText::npos && attribute != segStart) {
        end = page.find(kAttributeEnd, start, segEnd);
    } else {
        const auto open = page.find(">", segStart, segEnd, &start);
        end = open == DecodedText::npos ? open : page.find("<", start, segEnd);
    }
    if (end == DecodedText::npos)
        return {};
    // May clean to nothing: the name falls back when the job makes it safe.
    return TitleCleaner::clean(page.decoded(start, end, kMaxTitleRead),
                               {true, true, kMaxTitleChars, kNoLimit});
}
