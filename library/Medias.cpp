#include "Medias.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

std::string Medias::loc;
std::string Medias::currentWorkingPath;
std::string Medias::currentPath;

namespace {

const char* const PluginPage =
    "http://www.microsoft.com/isapi/redir.dll?prd=windows&sbp=mediaplayer&ar=Media&sba=Plugin&";

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool keptInUrl(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

std::string lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
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

std::string Medias::sw(const std::string& path) {
    return fileUrl(path);
}

std::string Medias::sw2(const std::string& path) {
    return fileUrl(path);
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

std::string Medias::pagePath() {
    return currentPath + "tmp.html";
}

void Medias::createMovie(const std::string& title, const std::string& folder,
                         const std::string& type, const std::string& dataFolder) {
    if (currentPath.empty() && !dataFolder.empty())
        currentPath = withSlash(dataFolder);
    if (currentWorkingPath.empty()) {
        std::error_code error;
        const fs::path cwd = fs::current_path(error);
        // Left empty when unknown, so the next play tries again.
        if (!error)
            currentWorkingPath = withSlash(cwd.string());
    }

    if (isMovieType(type)) {
        createMov(title, folder, type);
        return;
    }

    const std::string media = sw(mediaPath(title, folder, type));
    loc = pagePath();
    std::string page;
    page += "<html><head></head><body bgcolor=\"black\" style=\"text-align: center; margin-top: "
            "20%;\"><embed src=\"";
    page += media;
    page += "\" type=\"application/x-mplayer2\" pluginspage=\"";
    page += PluginPage;
    page += "\" autostart=\"true\" playcount=\"true\" ></embed><noembed><bgsound src=\"";
    page += media;
    page += "\"></bgsound></noembed>";
    page += "</body></html>";
    writePage(page);
}

void Medias::createMov(const std::string& title, const std::string& folder,
                       const std::string& type) {
    const std::string media = sw2(mediaPath(title, folder, type));
    const std::string script = sw(currentWorkingPath + "jwplayer.js");
    const std::string player = sw2(currentWorkingPath + "player.swf");
    loc = pagePath();
    std::string page;
    page += "<html><head><script type=\"text/javascript\" src=\"";
    page += script;
    page += "\"></script></head><body bgcolor=\"black\" style=\"text-align: center; margin-top: "
            "10%;\">";
    page += "<div id=\"container\">Loading the player ...</div> <script "
            "type=\"text/javascript\"> jwplayer(\"container\").setup({ autostart: true, "
            "flashplayer: \"";
    page += player;
    page += "\", file: \"";
    page += media;
    page += "\", width: 720 }); </script></body></html>";
    writePage(page);
}

void Medias::writePage(const std::string& text) {
    const std::string path = pagePath();
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    // A page that cannot be written is silently skipped; loc names it anyway.
    std::ofstream out(path, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!out)
        return;
    out << text << '\n';
}
