#include "library/SrtToVtt.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <cctype>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

// Older subtitles are mostly in the Windows code page of their language;
// Western European is the likeliest. It is Latin-1 but for 0x80 to 0x9F.
QString windows1252(const QByteArray& raw) {
    static const char16_t high[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    QString text;
    text.reserve(raw.size());
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        text += QChar(byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char16_t{byte});
    }
    return text;
}

std::string utf8Of(std::string_view bytes) {
    const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (raw.startsWith("\xEF\xBB\xBF"))
        return raw.mid(3).toStdString();
    if (raw.startsWith("\xFF\xFE") || raw.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(QStringDecoder::Utf16, QStringDecoder::Flag::Default);
        const QString text = utf16(raw);
        return text.toUtf8().toStdString();
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(raw);
    if (!utf8.hasError())
        return raw.toStdString();
    return QString(windows1252(raw)).toUtf8().toStdString();
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n' && text[i] != '\r')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    return lines;
}

bool blank(std::string_view line) {
    for (const char c : line)
        if (!std::isspace(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Digits at text[at...], at most max of them; none gives nullopt.
std::optional<long> digits(std::string_view text, std::size_t& at, std::size_t max,
                           std::size_t* count = nullptr) {
    long value = 0;
    std::size_t n = 0;
    while (at < text.size() && n < max && std::isdigit(static_cast<unsigned char>(text[at]))) {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++n;
    }
    if (count)
        *count = n;
    return n == 0 ? std::nullopt : std::optional<long>(value);
}

// "01:02:03,456" and its sloppy forms ("1:2:3.4", "02:03,456") as WebVTT's
// "01:02:03.456".
std::optional<std::string> timeOf(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && text[at] == ' ')
        ++at;
    std::vector<long> parts;
    for (;;) {
        const auto part = digits(text, at, 9);
        if (!part)
            return std::nullopt;
        parts.push_back(*part);
        if (at < text.size() && text[at] == ':' && parts.size() < 3) {
            ++at;
            continue;
        }
        break;
    }
    if (parts.size() < 2)
        return std::nullopt;
    long millis = 0;
    if (at < text.size() && (text[at] == ',' || text[at] == '.')) {
        ++at;
        std::size_t count = 0;
        millis = digits(text, at, 3, &count).value_or(0);
        for (; count < 3; ++count)
            millis *= 10;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])))
            ++at;
    }
    const long hours = parts.size() == 3 ? parts[0] : 0;
    const long minutes = parts[parts.size() - 2];
    const long seconds = parts.back();
    if (minutes > 59 || seconds > 59)
        return std::nullopt;
    char out[96];
    std::snprintf(out, sizeof out, "%02ld:%02ld:%02ld.%03ld", hours, minutes, seconds, millis);
    return std::string(out);
}

// "start --> end" as WebVTT writes it; positions after the end are dropped.
std::optional<std::string> timingOf(std::string_view line) {
    const std::size_t arrow = line.find("-->");
    if (arrow == std::string_view::npos)
        return std::nullopt;
    const auto start = timeOf(line.substr(0, arrow));
    const auto end = timeOf(line.substr(arrow + 3));
    if (!start || !end)
        return std::nullopt;
    return *start + " --> " + *end;
}

bool kept(std::string_view tag) {
    for (const char* name : {"b", "i", "u", "/b", "/i", "/u"})
        if (tag == name)
            return true;
    return false;
}

// One line of cue text: <b>, <i>, <u> kept, other tags and {\an8}-style
// overrides dropped, everything else text that cannot end the cue or open
// a tag.
std::string cueLine(std::string_view line) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '<') {
            const std::size_t close = line.find('>', i);
            if (close != std::string_view::npos && i + 1 < close &&
                (std::isalpha(static_cast<unsigned char>(line[i + 1])) || line[i + 1] == '/')) {
                std::string tag;
                for (const char t : line.substr(i + 1, close - i - 1))
                    tag += static_cast<char>(std::tolower(static_cast<unsigned char>(t)));
                if (kept(tag))
                    out += "<" + tag + ">";
                i = close;
                continue;
            }
            out += "&lt;";
        } else if (c == '{' && i + 1 < line.size() && line[i + 1] == '\\' &&
                   line.find('}', i) != std::string_view::npos) {
            i = line.find('}', i);
        } else if (c == '>') {
            out += "&gt;";
        } else if (c == '&') {
            out += "&amp;";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

std::string SrtToVtt::convert(std::string_view srt) {
    const std::string text = utf8Of(srt);
    const std::vector<std::string_view> lines = linesOf(text);
    std::string vtt = "WEBVTT\n";
    for (std::size_t i = 0; i < lines.size();) {
        if (blank(lines[i])) {
            ++i;
            continue;
        }
        // One block: up to the next blank line. Its time line is the first
        // with an arrow; what comes before it (the number) goes.
        std::size_t end = i;
        while (end < lines.size() && !blank(lines[end]))
            ++end;
        std::optional<std::string> timing;
        std::size_t at = i;
        for (; at < end && !timing; ++at)
            timing = timingOf(lines[at]);
        if (timing) {
            vtt += "\n" + *timing + "\n";
            for (; at < end; ++at)
                vtt += cueLine(lines[at]) + "\n";
        }
        i = end;
    }
    return vtt;
}
