#include "media/FfmpegCookies.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

namespace {

struct Cookie {
    std::string domain; // without its leading dot
    bool subdomains = false;
    std::string path;
    bool secure = false;
    std::string name;
    std::string value;
};

struct Host {
    std::string name; // lower case, without brackets
    std::string port; // as the address writes it; empty for the scheme's own
};

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Text that ffmpeg's Set-Cookie reader takes whole: it splits at ";" and
// at lines, and its dictionary stops at NUL.
bool fitsValue(std::string_view text) {
    return text.find_first_of(std::string_view(";\r\n\0", 4)) == std::string_view::npos;
}

// A name ffmpeg reads back as the cookie's: never empty, no separator, no
// blank, and none of the attributes it would take it for.
bool fitsName(std::string_view name) {
    if (name.empty() || !fitsValue(name) || name.find_first_of("= \t") != std::string_view::npos)
        return false;
    for (const char* attribute : {"domain", "path", "expires", "max-age", "secure", "httponly"})
        if (equalsNoCase(name, attribute))
            return false;
    return true;
}

bool fitsDomain(std::string_view domain) {
    return !domain.empty() &&
           domain.find_first_of(std::string_view(";=, \t\r\n\0", 9)) == std::string_view::npos;
}

std::vector<std::string_view> fieldsOf(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t tab = line.find('\t', at);
        fields.push_back(line.substr(at, tab == std::string_view::npos ? tab : tab - at));
        if (tab == std::string_view::npos)
            return fields;
        at = tab + 1;
    }
}

// A Netscape line: domain, subdomains, path, secure, expiry, name, value.
bool readLine(std::string_view line, std::time_t now, Cookie& cookie) {
    static constexpr std::string_view httpOnly = "#HttpOnly_";
    if (line.substr(0, httpOnly.size()) == httpOnly)
        line.remove_prefix(httpOnly.size());
    else if (line.empty() || line.front() == '#')
        return false;
    const std::vector<std::string_view> fields = fieldsOf(line);
    if (fields.size() != 7)
        return false;
    std::string_view domain = fields[0];
    if (!domain.empty() && domain.front() == '.')
        domain.remove_prefix(1);
    long long expires = 0;
    const auto [end, error] =
        std::from_chars(fields[4].data(), fields[4].data() + fields[4].size(), expires);
    // 0: a session's cookie.
    if (error != std::errc{} || end != fields[4].data() + fields[4].size() ||
        (expires != 0 && expires <= now))
        return false;
    if (!fitsDomain(domain) || !fitsValue(fields[2]) || !fitsName(fields[5]) ||
        !fitsValue(fields[6]))
        return false;
    cookie.domain = lower(std::string(domain));
    cookie.subdomains = equalsNoCase(fields[1], "TRUE");
    cookie.path = fields[2].empty() ? "/" : std::string(fields[2]);
    cookie.secure = equalsNoCase(fields[3], "TRUE");
    cookie.name = std::string(fields[5]);
    cookie.value = std::string(fields[6]);
    return true;
}

Host hostOf(std::string_view address) {
    Host host;
    const std::size_t scheme = address.find("://");
    if (scheme == std::string_view::npos)
        return host;
    std::string_view authority = address.substr(scheme + 3);
    authority = authority.substr(0, authority.find_first_of("/?#"));
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::size_t colon = authority.rfind(':');
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos)
            return host;
        host.name = std::string(authority.substr(1, close - 1));
        colon = close + 1 < authority.size() && authority[close + 1] == ':'
                    ? close + 1
                    : std::string_view::npos;
    } else {
        host.name = std::string(authority.substr(0, colon));
    }
    const std::string_view port =
        colon == std::string_view::npos ? std::string_view() : authority.substr(colon + 1);
    if (std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
        host.port = std::string(port);
    host.name = lower(std::move(host.name));
    return host;
}

bool reaches(const Cookie& cookie, const std::string& host) {
    if (host == cookie.domain)
        return true;
    return cookie.subdomains && host.size() > cookie.domain.size() &&
           host.compare(host.size() - cookie.domain.size(), cookie.domain.size(), cookie.domain) ==
               0 &&
           host[host.size() - cookie.domain.size() - 1] == '.';
}

bool isHttps(std::string_view address) {
    return equalsNoCase(address.substr(0, 8), "https://");
}

} // namespace

std::string FfmpegCookies::text(const std::vector<std::string>& lines,
                                const std::vector<std::string>& inputs, std::time_t now) {
    const Host playlist = inputs.empty() ? Host{} : hostOf(inputs.front());
    const bool allHttps = !inputs.empty() && std::all_of(inputs.begin(), inputs.end(), isHttps);
    std::vector<Cookie> kept;
    for (const std::string& line : lines) {
        Cookie cookie;
        if (!readLine(line, now, cookie) || (cookie.secure && !allHttps))
            continue;
        const auto same = std::find_if(kept.begin(), kept.end(), [&](const Cookie& other) {
            return equalsNoCase(other.name, cookie.name);
        });
        if (same == kept.end())
            kept.push_back(std::move(cookie));
        else if (!reaches(*same, playlist.name) && reaches(cookie, playlist.name))
            *same = std::move(cookie);
    }
    std::string text;
    const std::string port = playlist.port.empty() ? std::string() : ":" + playlist.port;
    for (const Cookie& cookie : kept) {
        text += cookie.name + "=" + cookie.value + "; domain=" + cookie.domain + port +
                "; path=" + cookie.path + "\n";
    }
    return text;
}
