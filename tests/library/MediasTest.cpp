#include "Medias.h"

#include <QCoreApplication>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// @STYLE@ is whatever the page's style sheet holds; the fit is checked by
// PlaybackTest in a real pane.
const std::string MoviePage =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><style>@STYLE@</style>"
    "<script type=\"text/javascript\" src=\"@SCRIPT@\"></script></head>"
    "<body bgcolor=\"black\"><div id=\"container\">Loading the player ...</div> "
    "<script type=\"text/javascript\"> jwplayer(\"container\").setup({ autostart: true, "
    "flashplayer: \"@PLAYER@\", file: \"@MEDIA@\", title: @TITLE@ }); "
    "</script></body></html>\n";

const std::string MusicPage =
    "<html><head></head><body bgcolor=\"black\" style=\"text-align: center; margin-top: "
    "20%;\"><embed src=\"@MEDIA@\" type=\"application/x-mplayer2\" "
    "pluginspage=\"http://www.microsoft.com/isapi/redir.dll?prd=windows&sbp=mediaplayer&ar="
    "Media&sba=Plugin&\" autostart=\"true\" playcount=\"true\" ></embed><noembed><bgsound "
    "src=\"@MEDIA@\"></bgsound></noembed></body></html>\n";

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string fill(std::string text, const std::map<std::string, std::string>& values) {
    for (const auto& [key, value] : values)
        for (auto at = text.find(key); at != std::string::npos;
             at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    return text;
}

// Reads the addresses back out of a page built on the template: every byte
// outside the @NAME@ placeholders must match. Empty map when it does not.
std::multimap<std::string, std::string> addressesIn(const std::string& page,
                                                    const std::string& tpl) {
    std::multimap<std::string, std::string> found;
    std::size_t p = 0, t = 0;
    while (t < tpl.size()) {
        const auto open = tpl.find('@', t);
        if (open == std::string::npos) {
            if (page.compare(p, std::string::npos, tpl, t) != 0)
                return {};
            return found;
        }
        const auto close = tpl.find('@', open + 1);
        const std::string name = tpl.substr(open, close - open + 1);
        if (page.compare(p, open - t, tpl, t, open - t) != 0)
            return {};
        p += open - t;
        t = close + 1;
        // An address runs up to the next literal of the template.
        const auto nextOpen = tpl.find('@', t);
        const std::string literal =
            tpl.substr(t, (nextOpen == std::string::npos ? tpl.size() : nextOpen) - t);
        const auto end = page.find(literal, p);
        if (end == std::string::npos)
            return {};
        found.emplace(name, page.substr(p, end - p));
        p = end;
    }
    return found;
}

std::string localFileOf(const std::string& address) {
    return QUrl::fromEncoded(QByteArray::fromStdString(address), QUrl::StrictMode)
        .toLocalFile()
        .toStdString();
}

// The text a JavaScript string literal written by the page stands for; the
// page writes only plain characters and \uXXXX escapes.
std::string scriptText(const std::string& literal) {
    if (literal.size() < 2 || literal.front() != '"' || literal.back() != '"')
        return "<not a literal: " + literal + ">";
    QString text;
    for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
        if (literal[i] == '\\' && literal.compare(i, 2, "\\u") == 0 && i + 6 < literal.size()) {
            text += QChar(static_cast<char16_t>(std::stoul(literal.substr(i + 2, 4), nullptr, 16)));
            i += 5;
        } else {
            text += QChar::fromLatin1(literal[i]);
        }
    }
    return text.toStdString();
}

class MediasTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = fs::canonical(dir.path().toStdString()).string();
        movies = root + "/Movies";
        music = root + "/Music";
        elsewhere = root + "/Elsewhere";
        for (const auto& folder : {movies, music, elsewhere})
            fs::create_directories(folder);
        dataFolder = root + "/Data/";
        bin = fs::canonical(QCoreApplication::applicationDirPath().toStdString()).string();
        // A player in the working directory must not be the one the page loads.
        startDir = fs::current_path();
        std::ofstream(elsewhere + "/jwplayer.js") << "// decoy";
        fs::current_path(elsewhere);
    }
    void TearDown() override { fs::current_path(startDir); }

    std::string page() const { return readFile(dataFolder + "tmp.html"); }

    QTemporaryDir dir;
    std::string root, movies, music, elsewhere, dataFolder, bin;
    fs::path startDir;
};

} // namespace

TEST_F(MediasTest, MoviePageLoadsThePlayerBesideTheProgram) {
    ASSERT_EQ(Medias::playerScript(), bin + "/jwplayer.js");
    for (const std::string type : {"mp4", "flv", "MP4"}) {
        SCOPED_TRACE(type);
        const std::string media = Medias::mediaPath("Clip", movies, type);
        EXPECT_EQ(media, movies + "/Clip." + type);
        EXPECT_EQ(Medias::createMovie(media, dataFolder), dataFolder + "tmp.html");
        const auto found = addressesIn(page(), MoviePage);
        ASSERT_EQ(found.size(), 5u) << page();
        EXPECT_EQ(found.find("@SCRIPT@")->second, "file://" + bin + "/jwplayer.js");
        EXPECT_EQ(found.find("@PLAYER@")->second, "file://" + bin + "/player.swf");
        EXPECT_EQ(found.find("@MEDIA@")->second, "file://" + movies + "/Clip." + type);
        EXPECT_EQ(found.find("@TITLE@")->second, "\"Clip." + type + "\"");
    }

    // A playable copy keeps the name the user knows.
    Medias::createMov(root + "/Data/PlayCache/0123abcd.mp4", dataFolder, "Old talk.flv");
    const auto found = addressesIn(page(), MoviePage);
    ASSERT_EQ(found.size(), 5u) << page();
    EXPECT_EQ(localFileOf(found.find("@MEDIA@")->second), root + "/Data/PlayCache/0123abcd.mp4");
    EXPECT_EQ(scriptText(found.find("@TITLE@")->second), "Old talk.flv");
}

TEST_F(MediasTest, MusicPageTextForAnOrdinaryTitle) {
    for (const std::string type : {"mp3", "MP3"}) {
        EXPECT_EQ(Medias::createMovie(Medias::mediaPath("Song", music + "/", type), dataFolder),
                  dataFolder + "tmp.html");
        EXPECT_EQ(page(), fill(MusicPage, {{"@MEDIA@", "file://" + music + "/Song." + type}}));
    }
}

TEST_F(MediasTest, HostileTitlesAndFoldersCannotBreakThePage) {
    const std::string hostile = root + "/Data \"<'#%?&>\\";
    const std::vector<std::string> titles = {"\"><script>alert(1)</script>",
                                             "</script><script>alert(2)</script>",
                                             "a\\\"b\\c",
                                             "It's 100% #1? & more",
                                             "line\nbreak",
                                             "caf\xC3\xA9 \xE2\x80\xA8 done"};
    for (const auto& title : titles) {
        SCOPED_TRACE(title);
        const std::string movie = hostile + "/" + title + ".mp4";
        ASSERT_EQ(Medias::createMovie(movie, hostile, title), hostile + "/tmp.html");
        const std::string written = readFile(hostile + "/tmp.html");
        auto found = addressesIn(written, MoviePage);
        ASSERT_EQ(found.size(), 5u) << written;
        EXPECT_EQ(localFileOf(found.find("@MEDIA@")->second), movie);
        EXPECT_EQ(scriptText(found.find("@TITLE@")->second), title);
        for (const auto& [name, text] : found) {
            if (name == "@STYLE@")
                continue;
            if (name == "@TITLE@")
                EXPECT_EQ(text.substr(1, text.size() - 2).find_first_of("\"'<>\n#?&/%"),
                          std::string::npos)
                    << text;
            else
                EXPECT_EQ(text.find_first_of(" \"'<>\\\n#?&"), std::string::npos) << text;
        }

        const std::string song = hostile + "/" + title + ".mp3";
        ASSERT_EQ(Medias::createMovie(song, hostile), hostile + "/tmp.html");
        found = addressesIn(readFile(hostile + "/tmp.html"), MusicPage);
        ASSERT_EQ(found.size(), 2u) << readFile(hostile + "/tmp.html");
        for (const auto& [name, address] : found) {
            EXPECT_EQ(localFileOf(address), song);
            EXPECT_EQ(address.find_first_of(" \"'<>\\\n#?&"), std::string::npos) << address;
        }
    }
}

TEST_F(MediasTest, PageThatCannotBeWrittenHasNoAddress) {
    std::ofstream(root + "/not-a-folder") << "x";
    EXPECT_EQ(Medias::createMovie(movies + "/Clip.mp4", root + "/not-a-folder/"), "");
    EXPECT_EQ(Medias::createMovie(music + "/Song.mp3", root + "/not-a-folder"), "");
    EXPECT_EQ(Medias::createMovie(movies + "/Clip.mp4", ""), "");
    EXPECT_EQ(readFile(root + "/not-a-folder"), "x");
}
