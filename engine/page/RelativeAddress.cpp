#include "page/RelativeAddress.h"

#include "base/NumberText.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

// Far beyond what any server takes; bounds the copies a hostile map can cost.
constexpr std::size_t kMaxAddressBytes = std::size_t{1} << 20;

// Bytes a host name may not hold, besides controls (libcurl's list, less
// '%', which is written out as "%25").
constexpr std::string_view kBadHostBytes = " !\"#$&'()*+,/:;<=>?@[\\]^`{}";

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isSchemeByte(char c) {
    return isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.';
}

bool isControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

// A scheme ("http:", "ftp:") makes the reference absolute.
bool hasScheme(std::string_view reference) {
    if (reference.empty() || !isAlpha(reference.front()))
        return false;
    for (const char c : reference.substr(1)) {
        if (c == ':')
            return true;
        if (!isSchemeByte(c))
            return false;
    }
    return false;
}

// "1080:x", "+a:b": what libcurl took for an unknown scheme and refused. No
// relative reference may start so either (RFC 3986, 4.2).
bool hasBrokenScheme(std::string_view reference) {
    for (std::size_t i = 0; i < reference.size() && i <= 40; ++i) {
        if (reference[i] == ':')
            return i > 0;
        if (!isSchemeByte(reference[i]))
            return false;
    }
    return false;
}

// RFC 3986, 5.2.4. Iterative, and each byte is copied or walked back over
// at most once.
std::string removeDotSegments(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    const auto dropLastSegment = [&out] {
        const std::size_t slash = out.rfind('/');
        out.resize(slash == std::string::npos ? 0 : slash);
    };
    std::size_t i = 0;
    while (i < in.size()) {
        const std::string_view rest = in.substr(i);
        if (rest.starts_with("../")) {
            i += 3;
        } else if (rest.starts_with("./") || rest.starts_with("/./")) {
            i += 2;
        } else if (rest == "/.") {
            out += '/';
            break;
        } else if (rest.starts_with("/../")) {
            i += 3;
            dropLastSegment();
        } else if (rest == "/..") {
            dropLastSegment();
            out += '/';
            break;
        } else if (rest == "." || rest == "..") {
            break;
        } else {
            const std::size_t next = in.find('/', i + 1);
            const std::size_t end = next == std::string_view::npos ? in.size() : next;
            out.append(in.substr(i, end - i));
            i = end;
        }
    }
    return out;
}

// libcurl's reading of a host that is a number ("127.1", "0x7f.1",
// "2130706433"): the four bytes it names, dotted.
std::optional<std::string> dottedAddress(std::string_view host) {
    std::array<std::uint64_t, 4> parts{};
    std::size_t last = 0;
    std::size_t i = 0;
    for (;;) {
        if (i >= host.size() || !isDigit(host[i]))
            return std::nullopt;
        int base = 10;
        if (host[i] == '0') {
            base = 8;
            if (i + 2 < host.size() && (host[i + 1] == 'x' || host[i + 1] == 'X') &&
                NumberText::digitValue(host[i + 2], 16) >= 0) {
                base = 16;
                i += 2;
            }
        }
        std::uint64_t value = 0;
        for (int digit = 0; i < host.size() && (digit = NumberText::digitValue(host[i], base)) >= 0;
             ++i) {
            value = value * base + digit;
            if (value > 0xffffffffu)
                return std::nullopt;
        }
        parts[last] = value;
        if (i == host.size())
            break;
        if (host[i] != '.' || last == 3)
            return std::nullopt;
        ++last;
        ++i;
    }
    // The last part fills the bytes the others leave.
    const int lastBits = 32 - 8 * static_cast<int>(last);
    std::uint64_t address = 0;
    for (std::size_t p = 0; p < last; ++p) {
        if (parts[p] > 0xff)
            return std::nullopt;
        address |= parts[p] << (24 - 8 * p);
    }
    if (parts[last] >> lastBits)
        return std::nullopt;
    address |= parts[last];
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += std::to_string((address >> shift) & 0xff) + (shift ? "." : "");
    return text;
}

// A bracketed IPv6 address, maybe with a zone ("[fe80::1%25eth0]"), written
// the shorter way when there is one, as libcurl did.
bool readIpv6(std::string_view bracketed, std::string& host) {
    const std::string_view inner = bracketed.substr(1, bracketed.size() - 2);
    const std::size_t end = inner.find_first_not_of("0123456789abcdefABCDEF:.");
    std::string address(inner.substr(0, end));
    std::string_view zone;
    if (end != std::string_view::npos) {
        if (inner[end] != '%')
            return false;
        zone = inner.substr(end + 1);
        if (zone.size() > 2 && zone.starts_with("25"))
            zone.remove_prefix(2);
        if (zone.empty() || zone.size() > 15)
            return false;
    }
    in6_addr bytes{};
    if (inet_pton(AF_INET6, address.c_str(), &bytes) != 1)
        return false;
    std::array<char, INET6_ADDRSTRLEN> shorter{};
    if (inet_ntop(AF_INET6, &bytes, shorter.data(), shorter.size()) &&
        std::strlen(shorter.data()) < address.size())
        address = shorter.data();
    host = "[" + address + (zone.empty() ? "" : "%25") + std::string(zone) + "]";
    return true;
}

// A host name: escapes decoded, checked, written out. libcurl read a
// number before decoding; a page's address it read twice.
bool readName(std::string_view raw, bool twice, std::string& host) {
    if (auto dotted = dottedAddress(raw)) {
        host = std::move(*dotted);
        return true;
    }
    std::string name;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 2 < raw.size() && NumberText::digitValue(raw[i + 1], 16) >= 0 &&
            NumberText::digitValue(raw[i + 2], 16) >= 0) {
            name += static_cast<char>(NumberText::digitValue(raw[i + 1], 16) * 16 +
                                      NumberText::digitValue(raw[i + 2], 16));
            i += 2;
        } else {
            name += raw[i];
        }
    }
    for (const char c : name)
        if (c == '\0' || isControl(c) || kBadHostBytes.find(c) != std::string_view::npos)
            return false;
    if (auto dotted = twice ? dottedAddress(name) : std::nullopt) {
        host = std::move(*dotted);
        return true;
    }
    host.clear();
    for (const char c : name)
        host += c == '%' ? std::string_view("%25") : std::string_view(&c, 1);
    return true;
}

struct Authority {
    std::optional<std::string_view> userinfo; // as written
    std::string host;
    std::string port; // digits without leading zeros; empty when none
};

// userinfo@host:port. The user and password stay as written, as libcurl
// kept them.
bool readAuthority(std::string_view text, bool twice, Authority& out) {
    if (const std::size_t at = text.find('@'); at != std::string_view::npos) {
        out.userinfo = text.substr(0, at);
        text.remove_prefix(at + 1);
    }
    std::string_view host = text;
    std::string_view port;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return false;
        host = text.substr(0, close + 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return false;
        port = rest.substr(rest.empty() ? 0 : 1);
    } else if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (host.empty())
        return false;
    // An empty port is no port, as browsers read it.
    if (!port.empty()) {
        std::uint32_t number = 0;
        for (const char c : port) {
            if (!isDigit(c))
                return false;
            number = number * 10 + static_cast<std::uint32_t>(c - '0');
            if (number > 65535)
                return false;
        }
        out.port = std::to_string(number);
    }
    return host.front() == '[' ? readIpv6(host, out.host) : readName(host, twice, out.host);
}

// A reference or address split at '?' and '#'.
struct Tail {
    std::string_view path;
    std::optional<std::string_view> query;
    std::optional<std::string_view> fragment;
};

Tail splitTail(std::string_view text) {
    Tail tail;
    if (const std::size_t hash = text.find('#'); hash != std::string_view::npos) {
        tail.fragment = text.substr(hash + 1);
        text = text.substr(0, hash);
    }
    if (const std::size_t mark = text.find('?'); mark != std::string_view::npos) {
        tail.query = text.substr(mark + 1);
        text = text.substr(0, mark);
    }
    tail.path = text;
    return tail;
}

struct Base {
    std::string_view scheme;
    Authority authority;
    std::string path;
    std::optional<std::string_view> query;
};

// The page's address as libcurl took it: http(s) in any case, one to three
// slashes, no spaces or controls.
std::optional<Base> readBase(std::string_view text) {
    for (const char c : text)
        if (c == ' ' || c == '\0' || isControl(c))
            return std::nullopt;
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || !hasScheme(text))
        return std::nullopt;
    std::string scheme(text.substr(0, colon));
    for (char& c : scheme)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    Base base;
    if (scheme == "http")
        base.scheme = "http";
    else if (scheme == "https")
        base.scheme = "https";
    else
        return std::nullopt;
    text.remove_prefix(colon + 1);
    const std::size_t slashes = std::min(text.find_first_not_of('/'), text.size());
    if (slashes < 1 || slashes > 3)
        return std::nullopt;
    text.remove_prefix(slashes);
    const std::size_t end = std::min(text.find_first_of("/?#"), text.size());
    if (!readAuthority(text.substr(0, end), true, base.authority))
        return std::nullopt;
    const Tail tail = splitTail(text.substr(end));
    base.path = removeDotSegments(tail.path);
    if (base.path.empty())
        base.path.push_back('/');
    base.query = tail.query;
    return base;
}

// Spaces and bytes past ASCII escaped, the rest as written. After a '?' a
// space is a '+', as libcurl wrote it.
void appendEncoded(std::string& out, std::string_view text, bool plus, bool plusAfterMark) {
    constexpr std::string_view hex = "0123456789abcdef";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ') {
            out += plus ? "+" : "%20";
        } else if (byte >= 0x80) {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 15];
        } else {
            out += c;
        }
        plus = plus || (plusAfterMark && c == '?');
    }
}

} // namespace

std::string resolveAddress(const std::string& base, std::string_view reference) {
    if (reference.size() > kMaxAddressBytes)
        return {};
    // An absolute address is taken byte for byte, as it always was; the
    // transfer itself refuses anything but http(s).
    if (hasScheme(reference))
        return std::string(reference);
    if (reference.empty() || hasBrokenScheme(reference))
        return {};
    for (const char c : reference)
        if (c == '\0' || isControl(c))
            return {};
    const std::optional<Base> page = readBase(base);
    if (!page)
        return {};

    // RFC 3986, 5.2.2, for a reference without a scheme.
    Authority ownAuthority;
    const Authority* authority = &page->authority;
    std::string_view rest = reference;
    const bool network = rest.starts_with("//");
    if (network) {
        // libcurl took up to three slashes before the host.
        rest.remove_prefix(rest.starts_with("///") ? 3 : 2);
        if (rest.starts_with('/'))
            return {};
        const std::size_t end = std::min(rest.find_first_of("/?#"), rest.size());
        if (!readAuthority(rest.substr(0, end), false, ownAuthority))
            return {};
        authority = &ownAuthority;
        rest.remove_prefix(end);
    }
    const Tail tail = splitTail(rest);
    std::optional<std::string_view> query = tail.query;
    std::string path;
    if (network || tail.path.starts_with('/')) {
        path = removeDotSegments(tail.path);
    } else if (tail.path.empty()) {
        path = page->path;
        if (!query)
            query = page->query;
    } else {
        std::string merged(page->path.substr(0, page->path.rfind('/') + 1));
        merged += tail.path;
        path = removeDotSegments(merged);
    }
    if (!path.starts_with('/'))
        path.insert(0, 1, '/');

    std::string out(page->scheme);
    out += "://";
    if (authority->userinfo) {
        out += *authority->userinfo;
        out += '@';
    }
    out += authority->host;
    if (!authority->port.empty()) {
        out += ':';
        out += authority->port;
    }
    appendEncoded(out, path, false, false);
    // An empty query or fragment is left out, as libcurl did.
    if (query && !query->empty()) {
        out += '?';
        appendEncoded(out, *query, true, false);
    }
    if (tail.fragment && !tail.fragment->empty()) {
        out += '#';
        appendEncoded(out, *tail.fragment, tail.query.has_value(), true);
    }
    return out;
}
