#include "RelativeAddress.h"

#include <curl/curl.h>

#include <memory>

namespace {

// Far beyond what any server takes; bounds the copy a hostile map can cost.
constexpr std::size_t kMaxAddressBytes = std::size_t{1} << 20;

struct UrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct TextFree {
    void operator()(char* text) const { curl_free(text); }
};

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A scheme ("http:", "ftp:") makes the reference absolute.
bool hasScheme(std::string_view reference) {
    if (reference.empty() || !isAlpha(reference.front()))
        return false;
    for (const char c : reference.substr(1)) {
        if (c == ':')
            return true;
        if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

} // namespace

std::string resolveAddress(const std::string& base, std::string_view reference) {
    if (reference.size() > kMaxAddressBytes)
        return {};
    // An absolute address is taken byte for byte, as it always was; the
    // transfer itself refuses anything but http(s).
    if (hasScheme(reference))
        return std::string(reference);
    // libcurl reads C strings: a NUL would silently shorten the address.
    if (reference.empty() || reference.find('\0') != std::string_view::npos)
        return {};
    const std::unique_ptr<CURLU, UrlFree> url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK)
        return {};
    const std::string relative(reference);
    if (curl_url_set(url.get(), CURLUPART_URL, relative.c_str(),
                     CURLU_ALLOW_SPACE | CURLU_URLENCODE) != CURLUE_OK)
        return {};
    char* scheme = nullptr;
    curl_url_get(url.get(), CURLUPART_SCHEME, &scheme, 0);
    const std::unique_ptr<char, TextFree> schemeText(scheme);
    const std::string_view name = scheme ? scheme : "";
    if (name != "http" && name != "https")
        return {};
    char* joined = nullptr;
    if (curl_url_get(url.get(), CURLUPART_URL, &joined, 0) != CURLUE_OK)
        return {};
    const std::unique_ptr<char, TextFree> joinedText(joined);
    return joined;
}
