#include "http/AddressSpace.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace {

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

} // namespace

NetworkSpace AddressSpace::ofIpv4(const unsigned char (&a)[4]) {
    if (a[0] == 127 || a[0] == 0)
        return NetworkSpace::Local;
    if (a[0] == 10 || (a[0] == 172 && (a[1] & 0xf0) == 16) || (a[0] == 192 && a[1] == 168) ||
        (a[0] == 169 && a[1] == 254))
        return NetworkSpace::Private;
    return NetworkSpace::Public;
}

NetworkSpace AddressSpace::ofIpv6(const unsigned char (&a)[16]) {
    static constexpr unsigned char zero[16] = {};
    // ::1, and :: (as 0.0.0.0).
    if (std::memcmp(a, zero, 15) == 0 && a[15] <= 1)
        return NetworkSpace::Local;
    // An IPv4 address mapped into IPv6 lies where that address does.
    static constexpr unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::memcmp(a, mapped, 12) == 0) {
        const unsigned char v4[4] = {a[12], a[13], a[14], a[15]};
        return ofIpv4(v4);
    }
    // fc00::/7 (unique local) and fe80::/10 (link-local).
    if ((a[0] & 0xfe) == 0xfc || (a[0] == 0xfe && (a[1] & 0xc0) == 0x80))
        return NetworkSpace::Private;
    return NetworkSpace::Public;
}

std::optional<NetworkSpace> AddressSpace::ofHost(std::string_view host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    std::string name(host);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // A name may end in the root's dot.
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    if (name == "localhost" || endsWith(name, ".localhost"))
        return NetworkSpace::Local;
    // Strict dotted quads only: addresses reach us as a browser has written
    // them, and any other form is a name for the lookup to tell.
    unsigned char v4[4];
    if (inet_pton(AF_INET, name.c_str(), v4) == 1)
        return ofIpv4(v4);
    // Without its zone ("fe80::1%eth0"), which only names a link.
    const std::string bare = name.substr(0, name.find('%'));
    unsigned char v6[16];
    if (inet_pton(AF_INET6, bare.c_str(), v6) == 1)
        return ofIpv6(v6);
    return std::nullopt;
}
