#include "http/RefererPolicy.h"

#include "base/AsciiCase.h"

#include <algorithm>
#include <optional>

namespace {

// An http(s) address in the parts that name its origin.
struct Origin {
    std::string scheme; // "http" or "https"
    std::string host;   // lower case, an IPv6 one in its brackets
    std::string port;   // as written, empty for the scheme's own
    std::size_t authorityEnd = 0;
    std::size_t hostStart = 0;

    static std::optional<Origin> of(std::string_view address) {
        const std::size_t colon = address.find("://");
        if (colon == std::string_view::npos)
            return std::nullopt;
        Origin origin;
        origin.scheme = asciiLowered(address.substr(0, colon));
        if (origin.scheme != "http" && origin.scheme != "https")
            return std::nullopt;
        const std::size_t start = colon + 3;
        std::size_t end = address.find_first_of("/?#", start);
        if (end == std::string_view::npos)
            end = address.size();
        origin.authorityEnd = end;
        std::string_view authority = address.substr(start, end - start);
        const std::size_t at = authority.rfind('@');
        origin.hostStart = start + (at == std::string_view::npos ? 0 : at + 1);
        if (at != std::string_view::npos)
            authority.remove_prefix(at + 1);
        const std::size_t bracket = authority.rfind(']');
        const std::size_t portColon = authority.rfind(':');
        if (portColon != std::string_view::npos &&
            (bracket == std::string_view::npos || portColon > bracket)) {
            origin.port = std::string(authority.substr(portColon + 1));
            authority = authority.substr(0, portColon);
        }
        origin.host = asciiLowered(authority);
        if (origin.host.empty())
            return std::nullopt;
        // A port of leading zeros names the same one; the scheme's own is none.
        origin.port.erase(0, origin.port.find_first_not_of('0'));
        if (origin.port == (origin.scheme == "https" ? "443" : "80"))
            origin.port.clear();
        return origin;
    }

    bool same(const Origin& other) const {
        return scheme == other.scheme && host == other.host && port == other.port;
    }

    std::string text() const {
        return scheme + "://" + host + (port.empty() ? "" : ":" + port) + "/";
    }
};

} // namespace

std::string RefererPolicy::referer(std::string_view page, std::string_view target) {
    const std::optional<Origin> from = Origin::of(page);
    if (!from)
        return {};
    const std::optional<Origin> to = Origin::of(target);
    if (from->scheme == "https" && (!to || to->scheme != "https"))
        return {};
    if (!to || !from->same(*to))
        return from->text();
    // The whole address, less its user name and fragment.
    const std::size_t fragment = std::min(page.find('#'), page.size());
    std::string whole(page.substr(0, page.find("://") + 3));
    whole += page.substr(from->hostStart, from->authorityEnd - from->hostStart);
    const std::string_view rest = page.substr(from->authorityEnd, fragment - from->authorityEnd);
    if (rest.empty() || rest.front() != '/')
        whole += '/';
    whole += rest;
    return whole.size() > maxBytes ? from->text() : whole;
}
