// GCC 12 takes std::regex's moved states for uninitialised when built for
// the sanitizers (a false warning from inside libstdc++).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include "library/PlayerPage.h"
#include "library/SubtitleFiles.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> matches(const std::string& text, const std::regex& pattern,
                                 int group = 0) {
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
         it != std::sregex_iterator(); ++it)
        found.push_back((*it)[group].str());
    return found;
}

// The page's tags in order, every src value blanked: what a name or an
// address could change if it escaped its place.
std::vector<std::string> tagsOf(const std::string& page) {
    static const std::regex src("src=\"[^\"]*\"");
    std::vector<std::string> tags;
    for (const auto& tag : matches(page, std::regex("<[^>]*>")))
        tags.push_back(std::regex_replace(tag, src, "src=\"\""));
    return tags;
}

std::vector<std::string> sources(const std::string& page) {
    return matches(page, std::regex("src=\"([^\"]*)\""), 1);
}

std::string unescaped(std::string text) {
    for (const auto& [entity, c] : std::vector<std::pair<std::string, std::string>>{
             {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}})
        for (auto at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, entity.size(), c);
    return text;
}

// The document's title as the browser reads it.
std::string titleOf(const std::string& page) {
    const auto found = matches(page, std::regex("<title>([^<]*)</title>"), 1);
    return found.size() == 1 ? unescaped(found[0]) : "<no single title>";
}

// The text of the page outside its tags and scripts.
std::string textOf(const std::string& page) {
    const std::string noScript =
        std::regex_replace(page, std::regex("<script>[\\s\\S]*?</script>"), std::string());
    return unescaped(std::regex_replace(noScript, std::regex("<[^>]*>"), std::string()));
}

std::string localFileOf(const std::string& address) {
    return QUrl::fromEncoded(QByteArray::fromStdString(address), QUrl::StrictMode)
        .toLocalFile()
        .toStdString();
}

std::string stateOf(const std::string& page) {
    const auto found = matches(page, std::regex("data-player-state=\"([a-z]+)\""), 1);
    return found.size() == 1 ? found[0] : "<no single state>";
}

class PlayerPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = fs::canonical(dir.path().toStdString()).string();
        movies = root + "/Movies";
        music = root + "/Music";
        dataFolder = root + "/Data/";
    }

    std::string page() const { return readFile(dataFolder + "player.html"); }

    QTemporaryDir dir;
    std::string root, movies, music, dataFolder;
};

} // namespace

TEST_F(PlayerPageTest, MoviesAndMusicPlayInAnElementOfTheirKind) {
    for (const auto& [folder, type, element] :
         {std::tuple{movies, "mp4", "video"}, std::tuple{movies, "MP4", "video"},
          std::tuple{music, "mp3", "audio"}, std::tuple{music, "MP3", "audio"}}) {
        SCOPED_TRACE(type);
        const std::string media = PlayerPage::mediaPath("Clip", folder + "/", type);
        EXPECT_EQ(media, folder + "/Clip." + type);
        ASSERT_EQ(PlayerPage::writeFor(media, dataFolder), dataFolder + "player.html");
        const std::string written = page();
        EXPECT_EQ(sources(written), std::vector<std::string>{"file://" + media}) << written;
        EXPECT_NE(written.find(std::string("<") + element + " controls autoplay src="),
                  std::string::npos)
            << written;
        EXPECT_EQ(stateOf(written), "loading");
        EXPECT_EQ(titleOf(written), "Clip." + std::string(type));
    }

    EXPECT_NE(page().find(">Clip</p>"), std::string::npos) << page();

    // An MP3's cover (ID3v2.3 APIC, as the conversions write it) shows above it.
    const std::string jpeg = "\xFF\xD8\xFF\xE0"
                             "cover";
    const std::string body = std::string("\0image/jpeg\0\x03\0", 14) + jpeg;
    std::string frame = "APIC" + std::string(3, '\0') + char(body.size()) + std::string(2, '\0');
    frame += body;
    const std::string tag =
        "ID3\x03" + std::string(5, '\0') + char(frame.size() + 16) + frame + std::string(16, '\0');
    fs::create_directories(music);
    std::ofstream(music + "/Covered.mp3", std::ios::binary) << tag << "sound";
    PlayerPage::writeFor(music + "/Covered.mp3", dataFolder);
    EXPECT_NE(page().find("<img id=\"cover\" alt=\"\" src=\"data:image/jpeg;base64," +
                          QByteArray::fromStdString(jpeg).toBase64().toStdString() + "\">"),
              std::string::npos)
        << page();

    // A playable copy keeps the name the user knows.
    PlayerPage::writeFor(root + "/Data/PlayCache/0123abcd.mp4", dataFolder, "Old talk.flv");
    ASSERT_EQ(sources(page()).size(), 1u) << page();
    EXPECT_EQ(localFileOf(sources(page())[0]), root + "/Data/PlayCache/0123abcd.mp4");
    EXPECT_EQ(titleOf(page()), "Old talk.flv");

    // An FLV reaching the page says so instead of trying.
    PlayerPage::writeFor(movies + "/Talk.flv", dataFolder);
    EXPECT_EQ(stateOf(page()), "unsupported");
    EXPECT_TRUE(sources(page()).empty()) << page();
    EXPECT_NE(textOf(page()).find("\"Talk.flv\" is an FLV file, which this player cannot play"),
              std::string::npos)
        << page();
}

TEST_F(PlayerPageTest, HostileNamesAndFoldersCannotBreakAnyPage) {
    const std::string hostile = root + "/Data \"<'#%?&>\\";
    const std::vector<std::string> names = {"\"><script>alert(1)</script>",
                                            "</title><script>alert(2)</script>",
                                            "<template id=\"failed\"></template>",
                                            "a\\\"b\\c",
                                            "It's 100% #1? &amp; more",
                                            "line\nbreak",
                                            "caf\xC3\xA9 \xE2\x80\xA8 done"};
    const auto plain = [&](const std::string& type) {
        PlayerPage::writeFor(hostile + "/Plain." + type, hostile);
        return tagsOf(readFile(hostile + "/player.html"));
    };
    const auto plainMovie = plain("mp4"), plainSong = plain("mp3"), plainFlv = plain("flv");
    const auto plainPreparing = tagsOf(PlayerPage::preparingPage("Plain"));
    const auto plainFailure = tagsOf(PlayerPage::failurePage("Plain", "Why"));

    for (const auto& name : names) {
        SCOPED_TRACE(name);
        for (const auto& [type, tags] : {std::pair{"mp4", plainMovie}, std::pair{"mp3", plainSong},
                                         std::pair{"flv", plainFlv}}) {
            SCOPED_TRACE(type);
            const std::string media = hostile + "/" + name + "." + type;
            ASSERT_EQ(PlayerPage::writeFor(media, hostile, name + "." + type),
                      hostile + "/player.html");
            const std::string written = readFile(hostile + "/player.html");
            EXPECT_EQ(tagsOf(written), tags) << written;
            EXPECT_EQ(titleOf(written), name + "." + type);
            for (const auto& address : sources(written)) {
                EXPECT_EQ(localFileOf(address), media);
                EXPECT_EQ(address.find_first_of(" \"'<>\\\n#?&"), std::string::npos) << address;
            }
        }

        const std::string preparing = PlayerPage::preparingPage(name);
        EXPECT_EQ(tagsOf(preparing), plainPreparing) << preparing;
        EXPECT_NE(textOf(preparing).find("Preparing " + name + " for playback"), std::string::npos);

        const std::string failure = PlayerPage::failurePage(name, name);
        EXPECT_EQ(tagsOf(failure), plainFailure) << failure;
        EXPECT_EQ(titleOf(failure), name);
        EXPECT_NE(textOf(failure).find(name + " cannot be played." + name), std::string::npos)
            << failure;
    }
}

TEST_F(PlayerPageTest, PageThatCannotBeWrittenHasNoAddress) {
    std::ofstream(root + "/not-a-folder") << "x";
    EXPECT_EQ(PlayerPage::writeFor(movies + "/Clip.mp4", root + "/not-a-folder/"), "");
    EXPECT_EQ(PlayerPage::writeFor(music + "/Song.mp3", root + "/not-a-folder"), "");
    EXPECT_EQ(PlayerPage::writeFor(movies + "/Clip.mp4", ""), "");
    EXPECT_EQ(readFile(root + "/not-a-folder"), "x");
}

// The subtitles saved beside a movie are its player's tracks: WebVTT as it
// is, SubRip converted beside the page, labelled by language, the window's
// language's shown first. A copy shows its original's; music shows none.
TEST_F(PlayerPageTest, SubtitlesBesideAMovieBecomeItsTracks) {
    fs::create_directories(movies);
    fs::create_directories(music);
    const std::string movie = movies + "/Clip(1).mp4";
    std::ofstream(movie) << "movie";
    std::ofstream(movies + "/Clip(1).en.vtt") << "WEBVTT\n\n00:00.000 --> 00:01.000\nHi\n";
    std::ofstream(movies + "/Clip(1).vtt") << "WEBVTT\n";
    // Windows-1252, CR LF, sloppy times, markup the browser would misread.
    std::ofstream(movies + "/Clip(1).de.srt", std::ios::binary)
        << "1\r\n00:00:01,5 --> 0:00:02,250 X1:10\r\n{\\an8}<font color=\"red\">Gr\xFC\xDF"
           "e</font> <I>dich</I>\r\na < b & c --> d\r\n\r\n"
           "2\r\nnot a time\r\nlost\r\n\r\n3\r\n01:02:03,004 --> 01:02:04,000\r\n\x93Ja\x94\r\n";
    // Another movie's, another name's, and no subtitles at all.
    for (const char* other :
         {"/Clip.en.vtt", "/Clip(1).en.txt", "/Clip(1)x.en.vtt", "/Clip(1).en!.vtt"})
        std::ofstream(movies + other) << "WEBVTT\n";
    fs::create_directories(movies + "/Clip(1).fr.vtt");

    const auto tracks = [&] { return matches(page(), std::regex("<track [^>]*>")); };
    const auto converted = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dataFolder))
            if (entry.path().extension() == ".vtt")
                names.push_back(entry.path().string());
        return names;
    };
    ASSERT_FALSE(PlayerPage::writeFor(movie, dataFolder).empty());
    auto found = tracks();
    ASSERT_EQ(found.size(), 3u) << page();
    EXPECT_EQ(found[0], "<track kind=\"subtitles\" src=\"" + PlayerPage::fileUrl(movies) +
                            "/Clip%281%29.vtt\" label=\"Subtitles\" default>");
    ASSERT_EQ(converted().size(), 1u);
    EXPECT_EQ(found[1], "<track kind=\"subtitles\" src=\"" + PlayerPage::fileUrl(converted()[0]) +
                            "\" srclang=\"de\" label=\"Deutsch\">");
    EXPECT_EQ(found[2], "<track kind=\"subtitles\" src=\"" + PlayerPage::fileUrl(movies) +
                            "/Clip%281%29.en.vtt\" srclang=\"en\" label=\"English\">");
    EXPECT_NE(page().find(PlayerPage::fileUrl(movie) + "\">" + found[0]), std::string::npos);
    EXPECT_EQ(readFile(converted()[0]), "WEBVTT\n"
                                        "\n00:00:01.500 --> 00:00:02.250\n"
                                        "Gr\xC3\xBC\xC3\x9F"
                                        "e <i>dich</i>\na &lt; b &amp; c --&gt; d\n"
                                        "\n01:02:03.004 --> 01:02:04.000\n"
                                        "\xE2\x80\x9CJa\xE2\x80\x9D\n");

    // In German the German track shows; a copy shows its original's, and a
    // second English file has a label of its own.
    std::ofstream(movies + "/Clip(1).en.srt") << "1\n00:00:01,000 --> 00:00:02,000\nHi\n";
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    PlayerPage::writeFor(root + "/Data/PlayCache/0123abcd.mp4", dataFolder, "Clip(1).mp4", movie);
    QLocale::setDefault(before);
    found = tracks();
    ASSERT_EQ(found.size(), 4u) << page();
    // What follows each address.
    std::string ends;
    for (const std::string& track : found)
        ends += track.substr(track.find("\" ", track.find("src=")) + 1) + "\n";
    EXPECT_EQ(ends, " label=\"Subtitles\">\n srclang=\"de\" label=\"Deutsch\" default>\n"
                    " srclang=\"en\" label=\"English\">\n srclang=\"en\" label=\"English (2)\">\n");
    EXPECT_EQ(converted().size(), 2u);

    // They go with the movie when it is renamed or deleted, unless another
    // file of its title shows them too.
    EXPECT_EQ(SubtitleFiles::ownedBy(movie).size(), 4u);
    EXPECT_EQ(SubtitleFiles::following(movies + "/Clip(1).en.srt", movie, movies + "/New.mp4"),
              movies + "/New.en.srt");
    std::ofstream(movies + "/Clip(1).flv") << "movie";
    EXPECT_TRUE(SubtitleFiles::ownedBy(movie).empty());

    // Music has none, and what earlier pages converted goes.
    std::ofstream(music + "/Song.mp3") << "sound";
    std::ofstream(music + "/Song.en.vtt") << "WEBVTT\n";
    PlayerPage::writeFor(music + "/Song.mp3", dataFolder);
    EXPECT_TRUE(tracks().empty()) << page();
    EXPECT_TRUE(converted().empty());
}
