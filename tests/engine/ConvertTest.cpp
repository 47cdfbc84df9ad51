#include "ProcessRunner.h"
#include "TestFiles.h"
#include "core.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> texts;
void collect(const JobEvent& event) {
    for (const std::string& text : event.texts())
        texts.push_back(text);
}

core convertingJob(const std::string& title, const fs::path& movies, const fs::path& music,
                   int quality) {
    JobOptions options;
    options.pageUrl = "http://127.0.0.1/w";
    options.title = title;
    options.quality = quality;
    options.movieFolder = movies.string();
    options.musicFolder = music.string();
    options.convert = true;
    return core(options, 3, &collect);
}

const std::vector<std::string> kConverted = {"Converting to mp3...", "setmp3", "done",
                                             "Complete! Thank you for using Quillmoth."};
const std::vector<std::string> kFailed = {"Converting to mp3...", "done",
                                          "Error: Could not convert to mp3."};

using testfiles::readFile;
using testfiles::writeFile;

// An MPEG audio frame right after the optional ID3v2 tag.
bool looksLikeMp3(const fs::path& p) {
    const std::string d = readFile(p);
    std::size_t at = 0;
    if (d.size() >= 10 && d.compare(0, 3, "ID3") == 0) {
        at = 10 + ((d[6] & 0x7F) << 21 | (d[7] & 0x7F) << 14 | (d[8] & 0x7F) << 7 | (d[9] & 0x7F));
    }
    return d.size() > at + 1000 && static_cast<unsigned char>(d[at]) == 0xFF &&
           (static_cast<unsigned char>(d[at + 1]) & 0xE0) == 0xE0;
}

class ConvertTest : public ::testing::Test {
protected:
    // One short clip of each container, made once with the real ffmpeg.
    static void SetUpTestSuite() {
        clips = fs::temp_directory_path() / ("quillmoth-clips-" + std::to_string(getpid()));
        fs::create_directories(clips);
        for (const char* ext : {"flv", "mp4"}) {
            ProcessRunner make({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                                "sine=frequency=440:duration=1", "-f", "lavfi", "-i",
                                "testsrc=duration=1:size=64x48:rate=10", "-shortest", "-y",
                                (clips / (std::string("clip.") + ext)).string()});
            ASSERT_EQ(make.run(), 0) << ext;
        }
    }
    static void TearDownTestSuite() { fs::remove_all(clips); }

    void SetUp() override {
        texts.clear();
        root = fs::temp_directory_path() /
               ("quillmoth-convert-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        movies = root / "movies";
        music = root / "music";
        fs::create_directories(movies);
        fs::create_directories(music);
    }
    void TearDown() override { fs::remove_all(root); }

    // A job whose movie step has saved a clip under `title`.
    core jobWithMovie(const std::string& title, const char* ext, int quality, int count) {
        fs::copy_file(clips / (std::string("clip.") + ext), movies / (title + "." + ext),
                      fs::copy_options::overwrite_existing);
        core job = convertingJob(title, movies, music, quality);
        job.streamCount = count;
        return job;
    }

    // Names in the music folder other than the expected MP3s.
    std::vector<std::string> strayFiles(const std::vector<std::string>& expected) const {
        std::vector<std::string> stray;
        for (const auto& e : fs::directory_iterator(music)) {
            const auto name = e.path().filename().string();
            if (std::find(expected.begin(), expected.end(), name) == expected.end()) {
                stray.push_back(name);
            }
        }
        return stray;
    }

    static inline fs::path clips;
    fs::path root, movies, music;
};

TEST_F(ConvertTest, JobConvertsTheFileItsMovieStepWrote) {
    core flv = jobWithMovie("Clip", "flv", 4, 5);
    flv.convert();
    EXPECT_EQ(texts, kConverted);
    EXPECT_TRUE(looksLikeMp3(music / "Clip.mp3"));

    // Quality 1 with four streams means the movie was saved as .mp4; only that file exists.
    texts.clear();
    core mp4 = jobWithMovie("Tall", "mp4", 1, 4);
    mp4.convert();
    EXPECT_EQ(texts, kConverted);
    EXPECT_TRUE(looksLikeMp3(music / "Tall.mp3"));
    EXPECT_EQ(strayFiles({"Clip.mp3", "Tall.mp3"}), std::vector<std::string>{});
}

TEST_F(ConvertTest, HostileTitlesAndFoldersAreOnlyFileNames) {
    // A folder that starts with "-" and has blanks.
    music = root / "-music dir";
    fs::create_directories(music);
    const std::vector<std::string> titles = {"-y",
                                             "-i",
                                             "concat:a|b",
                                             "http:evil",
                                             "$(touch pwned)",
                                             "`touch pwned`; touch pwned",
                                             "it's \"quoted\" & <odd>",
                                             "  spaced  out  ",
                                             "100%d percent"};
    std::vector<std::string> mp3s;
    for (const auto& title : titles) {
        texts.clear();
        core job = jobWithMovie(title, "flv", 2, 2);
        job.convert();
        EXPECT_EQ(texts, kConverted) << title;
        EXPECT_TRUE(looksLikeMp3(music / (title + ".mp3"))) << title;
        mp3s.push_back(title + ".mp3");
    }
    EXPECT_EQ(strayFiles(mp3s), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(fs::exists(movies / "pwned"));
}

TEST_F(ConvertTest, LongPathsAreNotCut) {
    fs::path deep = root;
    for (int i = 0; i < 6; ++i) {
        deep /= std::string(200, static_cast<char>('a' + i));
    }
    movies = deep / "m";
    music = deep / "a";
    fs::create_directories(movies);
    fs::create_directories(music);
    const std::string title(100, 't');
    core job = jobWithMovie(title, "flv", 4, 2);
    ASSERT_GT((music / title).string().size(), 1100u);
    job.convert();
    EXPECT_EQ(texts, kConverted);
    EXPECT_TRUE(looksLikeMp3(music / (title + ".mp3")));
}

TEST_F(ConvertTest, FailureKeepsTheEarlierMp3AndSaysSo) {
    writeFile(music / "Old.mp3", "earlier good mp3");

    // The movie is missing: ffmpeg runs and fails.
    core job = convertingJob("Old", movies, music, 4);
    job.convert();
    EXPECT_EQ(texts, kFailed);
    EXPECT_EQ(readFile(music / "Old.mp3"), "earlier good mp3");

    // A file that is not media at all.
    texts.clear();
    writeFile(movies / "Old.flv", "not a movie");
    job.convert();
    EXPECT_EQ(texts, kFailed);
    EXPECT_EQ(readFile(music / "Old.mp3"), "earlier good mp3");

    // The music folder is gone.
    texts.clear();
    core lost = jobWithMovie("Lost", "flv", 4, 2);
    lost.mp3Path = (root / "no such folder").string();
    lost.convert();
    EXPECT_EQ(texts, kFailed);

    EXPECT_FALSE(core::converter(movies.string(), music.string(), "Old", "mp4"));
    EXPECT_EQ(readFile(music / "Old.mp3"), "earlier good mp3");
    EXPECT_EQ(strayFiles({"Old.mp3"}), std::vector<std::string>{});
}

TEST_F(ConvertTest, MissingFfmpegIsAFailure) {
    core job = jobWithMovie("Clip", "flv", 4, 2);
    writeFile(music / "Clip.mp3", "earlier good mp3");

    const std::string savedPath = std::getenv("PATH");
    const fs::path emptyBin = root / "bin";
    fs::create_directories(emptyBin);
    setenv("PATH", emptyBin.c_str(), 1);
    job.convert();
    const bool converted = core::converter(movies.string(), music.string(), "Clip", "flv");
    setenv("PATH", savedPath.c_str(), 1);

    EXPECT_EQ(texts, kFailed);
    EXPECT_FALSE(converted);
    EXPECT_EQ(readFile(music / "Clip.mp3"), "earlier good mp3");
    EXPECT_EQ(strayFiles({"Clip.mp3"}), std::vector<std::string>{});
}

TEST_F(ConvertTest, ConverterReplacesAnEarlierMp3OnSuccess) {
    jobWithMovie("Again", "flv", 4, 2);
    writeFile(music / "Again.mp3", "stale");
    EXPECT_TRUE(core::converter(movies.string(), music.string(), "Again", "flv"));
    EXPECT_TRUE(looksLikeMp3(music / "Again.mp3"));
    EXPECT_TRUE(texts.empty());

    // The MP3 gets ordinary permissions, not those of a private temporary file.
    const auto perms = fs::status(music / "Again.mp3").permissions();
    EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
    const mode_t mask = umask(022);
    umask(mask);
    if ((mask & 044) == 0) {
        EXPECT_NE(perms & fs::perms::others_read, fs::perms::none);
    }
}

// A transfer whose title its movie step refused can still be converted on
// request; such a title must not read or write beside the two folders.
TEST_F(ConvertTest, ConverterRefusesTitlesThatLeaveTheFolders) {
    fs::copy_file(clips / "clip.flv", root / "Outside.flv");
    fs::create_directories(movies / "sub");
    fs::create_directories(music / "sub");
    fs::copy_file(clips / "clip.flv", movies / "sub" / "Inner.flv");
    for (const char* title : {"../Outside", "sub/Inner", "..", "."}) {
        EXPECT_FALSE(core::converter(movies.string(), music.string(), title, "flv")) << title;
    }
    EXPECT_FALSE(fs::exists(root / "Outside.mp3"));
    EXPECT_FALSE(fs::exists(music / "sub" / "Inner.mp3"));
    EXPECT_EQ(strayFiles({"sub"}), std::vector<std::string>{});
}

} // namespace
