#include "Medias.h"

#include <QCoreApplication>
#include <QString>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char* const PluginPage =
    "http://www.microsoft.com/isapi/redir.dll?prd=windows&sbp=mediaplayer&ar=Media&sba=Plugin&";

// The page fills the pane: no margins, no scroll bars; the player keeps the
// picture's aspect inside whatever size the pane has.
const char* const MoviePageStyle =
    "html, body { margin: 0; padding: 0; width: 100%; height: 100%; overflow: hidden; "
    "background: black; } #container { width: 100%; height: 100%; color: #eee; "
    "text-align: center; } video { display: block; width: 100%; height: 100%; "
    "object-fit: contain; }";

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool keptInUrl(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

bool keptInScript(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u' ' || c == u'.' || c == u'-' || c == u'_';
}

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string extensionOf(const std::string& path) {
    const std::string ext = fs::path(path).extension().string();
    return ext.empty() ? ext : ext.substr(1);
}

bool isFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

} // namespace

std::string Medias::fileUrl(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(fs::path(path), error);
    const std::string full = error ? path : absolute.string();

    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    if (full.empty() || full.front() != '/')
        url += '/';
    for (unsigned char c : full) {
        if (keptInUrl(c)) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 0x0F];
        }
    }
    return url;
}

std::string Medias::scriptString(const std::string& text) {
    // Invalid UTF-8 turns into replacement characters rather than raw bytes.
    const QString wide = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    std::string literal = "\"";
    for (const QChar c : wide) {
        const char16_t unit = c.unicode();
        if (keptInScript(unit)) {
            literal += static_cast<char>(unit);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
            literal += escaped;
        }
    }
    literal += '"';
    return literal;
}

bool Medias::isMovieType(const std::string& type) {
    const std::string kind = lowered(type);
    return kind == "mp4" || kind == "flv";
}

bool Medias::isMusicType(const std::string& type) {
    return lowered(type) == "mp3";
}

std::string Medias::mediaPath(const std::string& title, const std::string& folder,
                              const std::string& type) {
    return withSlash(folder) + title + "." + type;
}

std::string Medias::playerScript() {
    const std::string bin = QCoreApplication::applicationDirPath().toStdString();
    if (bin.empty())
        return {};
    for (const std::string& candidate :
         {bin + "/jwplayer.js", bin + "/../share/quillmoth/jwplayer.js"}) {
        if (isFile(candidate)) {
            std::error_code error;
            const fs::path tidy = fs::weakly_canonical(candidate, error);
            return error ? candidate : tidy.string();
        }
    }
    return {};
}

std::string Medias::pagePath(const std::string& dataFolder) {
    return withSlash(dataFolder) + "tmp.html";
}

std::string Medias::createMovie(const std::string& media, const std::string& dataFolder,
                                const std::string& name) {
    if (!isMusicType(extensionOf(media)))
        return createMov(media, dataFolder, name);

    const std::string address = fileUrl(media);
    std::string page;
    page += "<html><head></head><body bgcolor=\"black\" style=\"text-align: center; margin-top: "
            "20%;\"><embed src=\"";
    page += address;
    page += "\" type=\"application/x-mplayer2\" pluginspage=\"";
    page += PluginPage;
    page += "\" autostart=\"true\" playcount=\"true\" ></embed><noembed><bgsound src=\"";
    page += address;
    page += "\"></bgsound></noembed>";
    page += "</body></html>";
    return writePage(dataFolder, page);
}

std::string Medias::createMov(const std::string& media, const std::string& dataFolder,
                              const std::string& name) {
    std::string script = playerScript();
    if (script.empty()) {
        // Named where it belongs, so the page at least shows its loading text.
        script = QCoreApplication::applicationDirPath().toStdString() + "/jwplayer.js";
    }
    const std::string player = fs::path(script).parent_path().string() + "/player.swf";
    const std::string title = name.empty() ? fs::path(media).filename().string() : name;

    std::string page;
    page += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><style>";
    page += MoviePageStyle;
    page += "</style><script type=\"text/javascript\" src=\"";
    page += fileUrl(script);
    page += "\"></script></head><body bgcolor=\"black\">";
    page += "<div id=\"container\">Loading the player ...</div> <script "
            "type=\"text/javascript\"> jwplayer(\"container\").setup({ autostart: true, "
            "flashplayer: \"";
    page += fileUrl(player);
    page += "\", file: \"";
    page += fileUrl(media);
    page += "\", title: ";
    page += scriptString(title);
    page += " }); </script></body></html>";
    return writePage(dataFolder, page);
}

std::string Medias::writePage(const std::string& dataFolder, const std::string& text) {
    if (dataFolder.empty())
        return {};
    const std::string path = pagePath(dataFolder);
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    std::ofstream out(path, std::ios::out | std::ios::trunc | std::ios::binary);
    out << text << '\n';
    out.close();
    // A page that cannot be written has no address: showing an older page
    // under it would play the wrong file.
    return out ? path : std::string();
}
