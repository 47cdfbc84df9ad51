// Page reading: the stream map search (core::findDetails on a job whose page
// text is the input), the title extraction (core::findTitle) and percent
// decoding (percentDecode), with the properties each promises.
#include "CurlHandle.h"
#include "FuzzCheck.h"
#include "PercentDecoder.h"
#include "core.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// What percentDecode promises, written out: "%" and two hex digits become
// that byte, everything else stays; the text ends at its first NUL.
std::string expectedDecode(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '%' && std::isxdigit(static_cast<unsigned char>(p[1])) &&
            std::isxdigit(static_cast<unsigned char>(p[2]))) {
            const char hex[3] = {p[1], p[2], '\0'};
            out += static_cast<char>(std::stoi(hex, nullptr, 16));
            p += 2;
        } else {
            out += *p;
        }
    }
    return out.substr(0, out.find('\0'));
}

bool isC1(const std::string& text, std::size_t i) {
    return static_cast<unsigned char>(text[i]) == 0xC2 && i + 1 < text.size() &&
           static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
           static_cast<unsigned char>(text[i + 1]) <= 0x9F;
}

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// The text with control characters (C0, DEL, C1 in UTF-8) as blanks, and
// the separators ";" and "|" too when asked.
std::string blanked(const std::string& text, bool separators) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (isC1(text, i)) {
            out += ' ';
            ++i;
        } else if (isControl(c) || (separators && (c == ';' || c == '|'))) {
            out += ' ';
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool hasControls(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (isControl(static_cast<unsigned char>(text[i])) || isC1(text, i))
            return true;
    return false;
}

std::size_t utf8Characters(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The part of a map entry after its first "|", the whole entry without one.
std::string entryUrl(const std::string& entry) {
    const auto bar = entry.find('|');
    return bar == std::string::npos ? entry : entry.substr(bar + 1);
}

CURL* decoderHandle() {
    static const CurlHandle handle;
    FUZZ_CHECK(handle);
    return handle.get();
}

void checkDecoding(const std::string& text, const std::string& decoded) {
    FUZZ_CHECK(percentDecode(decoderHandle(), text.c_str()) == decoded);
    FUZZ_CHECK(decoded.size() <= text.size());
    FUZZ_CHECK(decoded.find('\0') == std::string::npos);
    FUZZ_CHECK(percentDecode(decoderHandle(), nullptr).empty());
}

// The job's file title, made from any text (here the page itself): no
// controls, within the name limit, cut only at a character boundary.
void checkFileTitle(const std::string& text) {
    JobOptions options;
    options.title = text;
    const core job(options, 1, {});
    const std::string expected = blanked(text, false);
    FUZZ_CHECK(!hasControls(job.fileTitle));
    FUZZ_CHECK(job.fileTitle.size() <= core::maxTitleBytes);
    FUZZ_CHECK(expected.compare(0, job.fileTitle.size(), job.fileTitle) == 0);
    if (job.fileTitle.size() < expected.size())
        FUZZ_CHECK((static_cast<unsigned char>(expected[job.fileTitle.size()]) & 0xC0) != 0x80);
}

void checkStreamMap(const std::string& text, const std::string& decoded) {
    core job(JobOptions{}, 1, [](const JobEvent&) {});
    job.pageText = text;
    const bool found = job.findDetails(decoderHandle());

    // Found exactly when there is at least one entry; every entry and the
    // chosen address are pieces of the decoded page, in key order.
    FUZZ_CHECK(found == !job.streams.empty());
    FUZZ_CHECK(job.streamCount == static_cast<int>(job.streams.size()));
    FUZZ_CHECK(std::is_sorted(job.streams.begin(), job.streams.end(), core::my_sort));
    if (found)
        FUZZ_CHECK(decoded.find("fmt_url_map=") != std::string::npos);
    for (const auto& entry : job.streams)
        FUZZ_CHECK(decoded.find(entry) != std::string::npos);
    if (!found) {
        FUZZ_CHECK(job.streamUrl.empty());
        return;
    }
    FUZZ_CHECK(decoded.find(job.streamUrl) != std::string::npos);
    // Quality 4 takes the first (smallest) entry, the others the last.
    FUZZ_CHECK(job.streamUrl == entryUrl(job.streams.front()));
    for (int quality : {1, 2, 3}) {
        job.quality = quality;
        job.setUrl();
        FUZZ_CHECK(job.streamUrl == entryUrl(job.streams.back()));
    }
}

void checkTitle(const std::string& text, const std::string& decoded) {
    const std::string title = core::findTitle(text.c_str()).value_or(std::string());

    FUZZ_CHECK(utf8Characters(title) <= 42);
    FUZZ_CHECK(title.find_first_of(";|") == std::string::npos);
    FUZZ_CHECK(!hasControls(title));
    // Nothing is made up: the title stands in the page, as the page reads
    // with its controls and separators blanked.
    FUZZ_CHECK(blanked(decoded, true).find(title) != std::string::npos);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Handed to char* APIs, so NUL-terminated (c_str): a NUL ends the page.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string decoded = expectedDecode(text.c_str());

    checkDecoding(text, decoded);
    checkStreamMap(text, decoded);
    checkTitle(text, decoded);
    checkFileTitle(text);
    return 0;
}
