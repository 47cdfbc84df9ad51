#include "Medias.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string MoviePage =
    "<html><head><script type=\"text/javascript\" src=\"@SCRIPT@\"></script></head>"
    "<body bgcolor=\"black\" style=\"text-align: center; margin-top: 10%;\">"
    "<div id=\"container\">Loading the player ...</div> <script type=\"text/javascript\"> "
    "jwplayer(\"container\").setup({ autostart: true, flashplayer: \"@PLAYER@\", "
    "file: \"@MEDIA@\", width: 720 }); </script></body></html>\n";

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

class MediasTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = fs::canonical(dir.path().toStdString()).string();
        movies = root + "/Movies";
        music = root + "/Music";
        app = root + "/App";
        for (const auto& folder : {movies, music, app})
            fs::create_directories(folder);
        dataFolder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() +
            "/Quillmoth/";
        fs::create_directories(dataFolder);
        startDir = fs::current_path();
        fs::current_path(app);
        Medias::loc.clear();
        Medias::currentPath.clear();
        Medias::currentWorkingPath.clear();
    }
    void TearDown() override { fs::current_path(startDir); }

    std::string page() const { return readFile(dataFolder + "tmp.html"); }

    QTemporaryDir dir;
    std::string root, movies, music, app, dataFolder;
    fs::path startDir;
};

} // namespace

TEST_F(MediasTest, MoviePageTextForAnOrdinaryTitle) {
    for (const std::string type : {"mp4", "flv"}) {
        Medias::createMovie("Clip", movies, type, dataFolder);
        EXPECT_EQ(Medias::loc, dataFolder + "tmp.html");
        EXPECT_EQ(page(), fill(MoviePage, {{"@SCRIPT@", "file://" + app + "/jwplayer.js"},
                                           {"@PLAYER@", "file://" + app + "/player.swf"},
                                           {"@MEDIA@", "file://" + movies + "/Clip." + type}}));
    }
}

TEST_F(MediasTest, MusicPageTextForAnOrdinaryTitle) {
    Medias::createMovie("Song", music + "/", "mp3", dataFolder);
    EXPECT_EQ(Medias::loc, dataFolder + "tmp.html");
    EXPECT_EQ(page(), fill(MusicPage, {{"@MEDIA@", "file://" + music + "/Song.mp3"}}));
}

TEST_F(MediasTest, HostileTitlesAndFoldersCannotBreakThePage) {
    const std::string hostileApp = root + "/App \"<'#%?&>\\";
    fs::create_directories(hostileApp);
    fs::current_path(hostileApp);

    const std::vector<std::string> titles = {"\"><script>alert(1)</script>",
                                             "</script><script>alert(2)</script>",
                                             "a\\\"b\\c",
                                             "It's 100% #1? & more",
                                             "line\nbreak",
                                             "caf\xC3\xA9 \xE2\x80\xA8 done"};
    for (const auto& title : titles) {
        SCOPED_TRACE(title);
        Medias::createMovie(title, movies, "mp4", dataFolder);
        auto found = addressesIn(page(), MoviePage);
        ASSERT_EQ(found.size(), 3u) << page();
        EXPECT_EQ(localFileOf(found.find("@MEDIA@")->second), movies + "/" + title + ".mp4");
        EXPECT_EQ(localFileOf(found.find("@SCRIPT@")->second), hostileApp + "/jwplayer.js");
        EXPECT_EQ(localFileOf(found.find("@PLAYER@")->second), hostileApp + "/player.swf");
        for (const auto& [name, address] : found)
            EXPECT_EQ(address.find_first_of(" \"'<>\\\n#?&"), std::string::npos) << address;

        Medias::createMovie(title, music, "mp3", dataFolder);
        found = addressesIn(page(), MusicPage);
        ASSERT_EQ(found.size(), 2u) << page();
        for (const auto& [name, address] : found) {
            EXPECT_EQ(localFileOf(address), music + "/" + title + ".mp3");
            EXPECT_EQ(address.find_first_of(" \"'<>\\\n#?&"), std::string::npos) << address;
        }
    }
}

TEST_F(MediasTest, FoldersAreCapturedOnTheFirstPlayAndThePageIsRewritten) {
    Medias::createMovie("First", movies, "mp4", dataFolder);
    const std::string firstLoc = Medias::loc;
    EXPECT_EQ(Medias::currentWorkingPath, app + "/");
    EXPECT_EQ(Medias::currentPath, dataFolder);

    fs::current_path(root);
    Medias::createMovie("Second", music, "mp3", root + "/elsewhere/");
    EXPECT_EQ(Medias::currentWorkingPath, app + "/");
    EXPECT_EQ(Medias::currentPath, dataFolder);
    EXPECT_EQ(Medias::loc, firstLoc);
    EXPECT_EQ(page(), fill(MusicPage, {{"@MEDIA@", "file://" + music + "/Second.mp3"}}));
    EXPECT_FALSE(fs::exists(root + "/elsewhere"));
}

TEST_F(MediasTest, PageThatCannotBeWrittenIsSkippedQuietly) {
    std::ofstream(root + "/not-a-folder") << "x";
    Medias::createMovie("Clip", movies, "mp4", root + "/not-a-folder/");
    EXPECT_EQ(Medias::loc, root + "/not-a-folder/tmp.html");
    EXPECT_EQ(readFile(root + "/not-a-folder"), "x");
}
