#include "PercentDecoder.h"

#include <memory>

namespace {

struct CurlFree {
    void operator()(char* p) const { curl_free(p); }
};

} // namespace

std::string percentDecode(CURL* curl, const char* text) {
    // Length 0: libcurl reads up to the first NUL; no output length, so the
    // decoded text ends at its first NUL as well.
    const std::unique_ptr<char, CurlFree> decoded(
        curl_easy_unescape(curl, text ? text : "", 0, nullptr));
    return decoded ? std::string(decoded.get()) : std::string();
}
