#include "ConvertJob.h"
#include "FileTitle.h"
#include "FixtureServer.h"
#include "JobRecorder.h"
#include "ProcessRunner.h"
#include "ScopedPath.h"
#include "TestFiles.h"
#include "ToolRun.h"

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
// done and total of each ConvertProgress event.
std::vector<std::pair<double, double>> progress;
void collect(const JobEvent& event) {
    if (event.kind == JobEvent::Kind::ConvertProgress)
        progress.emplace_back(event.done, event.total);
    if (const std::string word = enginetest::said(event); !word.empty())
        texts.push_back(word);
}

// What ffprobe says of an MP3's tags and streams, "key=value" a line.
std::vector<std::string> probeTags(const fs::path& mp3) {
    std::vector<std::string> lines;
    ProcessRunner ffprobe({"ffprobe", "-v", "error", "-show_entries",
                           "format_tags=title,comment:stream=codec_name:stream_disposition="
                           "attached_pic:stream_tags=comment",
                           "-of", "default=nw=1", mp3.string()});
    ffprobe.readStdoutLines([&lines](const std::string& line) { lines.push_back(line); });
    EXPECT_EQ(ffprobe.run(), 0) << mp3;
    return lines;
}

// A job converting movies/title.type, the title made safe as a download
// names its movie, into music, tagged with the title.
ConvertJob convertingJob(const std::string& title, const std::string& type, const fs::path& movies,
                         const fs::path& music) {
    JobOptions options;
    options.title = title;
    options.musicFolder = music.string();
    return ConvertJob(options, (movies / (FileTitle::safe(title) + "." + type)).string(), title, 3,
                      &collect);
}

// What a conversion says when it saved its MP3 as name.
std::vector<std::string> converted(const std::string& name) {
    return {"converting", "saved:" + name, "setmp3", "done:converted"};
}
std::vector<std::string> failedWith(const std::string& reason) {
    return {"converting", "done:" + reason};
}
const std::vector<std::string> kFailed = failedWith("conversion-failed");

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

class ConvertJobTest : public ::testing::Test {
protected:
    // One short clip of each container, made once with the real ffmpeg.
    static void SetUpTestSuite() {
        clips = fs::temp_directory_path() / ("quillmoth-clips-" + std::to_string(getpid()));
        fs::create_directories(clips);
        for (const std::string ext : {"flv", "mp4", "ogg", "wav"}) {
            std::vector<std::string> make = {
                "ffmpeg",    "-nostdin", "-loglevel", "error",
                "-f",        "lavfi",    "-i",        "sine=frequency=440:duration=1",
                "-f",        "lavfi",    "-i",        "testsrc=duration=1:size=64x48:rate=10",
                "-shortest", "-y"};
            // Sound only, as a library holds these containers.
            if (ext == "ogg" || ext == "wav")
                make.push_back("-vn");
            make.push_back((clips / ("clip." + ext)).string());
            ASSERT_EQ(ProcessRunner(make).run(), 0) << ext;
        }
    }
    static void TearDownTestSuite() { fs::remove_all(clips); }

    void SetUp() override {
        texts.clear();
        progress.clear();
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

    // A job converting the clip of type ext that a download saved under
    // `title`, as it was cleaned.
    ConvertJob jobWithMovie(const std::string& title, const std::string& ext) {
        fs::copy_file(clips / ("clip." + ext), movies / (FileTitle::safe(title) + "." + ext),
                      fs::copy_options::overwrite_existing);
        return convertingJob(title, ext, movies, music);
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

// The movie is read under the type its transfer saved it as, from every
// container the media probe reads.
TEST_F(ConvertJobTest, ConvertsTheMovieUnderTheTypeItWasSavedAs) {
    std::vector<std::string> mp3s;
    for (const std::string type : {"flv", "mp4", "ogg", "wav"}) {
        texts.clear();
        const std::string title = "Clip " + type;
        jobWithMovie(title, type).run();
        EXPECT_EQ(texts, converted(title + ".mp3")) << type;
        EXPECT_TRUE(looksLikeMp3(music / (title + ".mp3"))) << type;
        mp3s.push_back(title + ".mp3");
    }
    EXPECT_EQ(strayFiles(mp3s), std::vector<std::string>{});
}

TEST_F(ConvertJobTest, HostileTitlesAndFoldersAreOnlyFileNames) {
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
        const std::string mp3 = FileTitle::safe(title) + ".mp3";
        jobWithMovie(title, "flv").run();
        EXPECT_EQ(texts, converted(mp3)) << title;
        EXPECT_TRUE(looksLikeMp3(music / mp3)) << title;
        mp3s.push_back(mp3);
    }
    EXPECT_EQ(strayFiles(mp3s), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists("pwned"));
    EXPECT_FALSE(fs::exists(movies / "pwned"));
}

TEST_F(ConvertJobTest, LongPathsAreNotCut) {
    fs::path deep = root;
    for (int i = 0; i < 6; ++i) {
        deep /= std::string(200, static_cast<char>('a' + i));
    }
    movies = deep / "m";
    music = deep / "a";
    fs::create_directories(movies);
    fs::create_directories(music);
    const std::string title(100, 't');
    ConvertJob job = jobWithMovie(title, "flv");
    ASSERT_GT((music / title).string().size(), 1100u);
    job.run();
    EXPECT_EQ(texts, converted(title + ".mp3"));
    EXPECT_TRUE(looksLikeMp3(music / (title + ".mp3")));
}

TEST_F(ConvertJobTest, FailureKeepsTheEarlierMp3AndSaysSo) {
    writeFile(music / "Old.mp3", "earlier good mp3");

    // The movie is missing: ffmpeg runs and fails.
    ConvertJob job = convertingJob("Old", "flv", movies, music);
    job.run();
    EXPECT_EQ(texts, kFailed);
    EXPECT_EQ(readFile(music / "Old.mp3"), "earlier good mp3");

    // A file that is not media at all.
    texts.clear();
    writeFile(movies / "Old.flv", "not a movie");
    job.run();
    EXPECT_EQ(texts, kFailed);
    EXPECT_EQ(readFile(music / "Old.mp3"), "earlier good mp3");

    // Read under another type than the file has.
    texts.clear();
    convertingJob("Old", "mp4", movies, music).run();
    EXPECT_EQ(texts, kFailed);
    EXPECT_EQ(readFile(music / "Old.mp3"), "earlier good mp3");
    EXPECT_EQ(strayFiles({"Old.mp3"}), std::vector<std::string>{});
}

// A failure that is not ffmpeg's says what to mend, and costs nothing.
TEST_F(ConvertJobTest, FailuresNameTheirCause) {
    jobWithMovie("Clip", "flv");
    writeFile(music / "Clip.mp3", "earlier good mp3");
    {
        const fs::path emptyBin = root / "bin";
        fs::create_directories(emptyBin);
        ScopedPath noFfmpeg(emptyBin.string());
        convertingJob("Clip", "flv", movies, music).run();
    }
    EXPECT_EQ(texts, failedWith("ffmpeg-missing"));

    // A music folder that is missing, and one that cannot be (it lies
    // under a file; permissions would not stop root).
    writeFile(root / "file", "");
    for (const fs::path& unusable : {root / "no such folder", root / "file" / "sub"}) {
        texts.clear();
        convertingJob("Clip", "flv", movies, unusable).run();
        EXPECT_EQ(texts, failedWith("music-folder-unusable")) << unusable;
    }
    EXPECT_EQ(readFile(music / "Clip.mp3"), "earlier good mp3");
    EXPECT_EQ(strayFiles({"Clip.mp3"}), std::vector<std::string>{});
}

// A taken name is never replaced: the MP3 takes the next free one and says so.
TEST_F(ConvertJobTest, AnEarlierMp3IsNeverReplaced) {
    ConvertJob job = jobWithMovie("Again", "flv");
    writeFile(music / "Again.mp3", "earlier");
    job.run();
    EXPECT_EQ(texts, converted("Again(1).mp3"));
    texts.clear();
    job.run();
    const std::string saved = "Again(2).mp3";
    EXPECT_EQ(texts, converted(saved));
    EXPECT_EQ(readFile(music / "Again.mp3"), "earlier");
    EXPECT_TRUE(looksLikeMp3(music / "Again(1).mp3"));
    EXPECT_TRUE(looksLikeMp3(music / "Again(2).mp3"));

    // The MP3 gets ordinary permissions, not those of a private temporary file.
    const auto perms = fs::status(music / saved).permissions();
    EXPECT_NE(perms & fs::perms::owner_read, fs::perms::none);
    const mode_t mask = umask(022);
    umask(mask);
    if ((mask & 044) == 0) {
        EXPECT_NE(perms & fs::perms::others_read, fs::perms::none);
    }
}

// Puts an ffmpeg in bin that copies mp3 to its output, says line on stderr
// and exits 0, as the real one can after a failed write.
void fakeFfmpeg(const fs::path& bin, const fs::path& mp3, const std::string& line) {
    writeFile(bin / "ffmpeg", "#!/bin/sh\nfor a; do out=$a; done\ncat '" + mp3.string() +
                                  "' > \"${out#file:}\"\necho '" + line + "' >&2\nexit 0\n");
    fs::permissions(bin / "ffmpeg", fs::perms::owner_all);
}

// An output that ffmpeg did not write whole, though it exited 0, neither
// replaces an earlier MP3 nor counts as one.
TEST_F(ConvertJobTest, IncompleteOutputNeverReplacesOrCountsAsAnMp3) {
    const fs::path movie = movies / "Long.flv";
    ASSERT_TRUE(makeClip({"-f", "lavfi", "-i", "sine=duration=4", "-f", "lavfi", "-i",
                          "testsrc=duration=4:size=64x48:rate=10", "-shortest"},
                         movie));
    ASSERT_TRUE(makeClip({"-i", movie.string(), "-vn"}, root / "whole.mp3"));
    ASSERT_TRUE(makeClip({"-i", (clips / "clip.flv").string(), "-vn"}, root / "short.mp3"));
    writeFile(music / "Long.mp3", "earlier good mp3");
    const fs::path bin = root / "bin";
    fs::create_directories(bin);
    ScopedPath withFake(bin.string() + ":" + std::getenv("PATH"));

    struct Case {
        const char* mp3;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"whole.mp3", "[out#0/mp3 @ 0x5581] Error writing trailer: No space left on device"},
        {"whole.mp3", "av_interleaved_write_frame(): Input/output error"},
        {"short.mp3", ""},
    };
    ConvertJob job = convertingJob("Long", "flv", movies, music);
    for (const Case& c : cases) {
        texts.clear();
        fakeFfmpeg(bin, root / c.mp3, c.line);
        job.run();
        EXPECT_EQ(texts, kFailed) << c.mp3 << " " << c.line;
        EXPECT_EQ(readFile(music / "Long.mp3"), "earlier good mp3");
        EXPECT_EQ(strayFiles({"Long.mp3"}), std::vector<std::string>{});
    }

    // The same ffmpeg that wrote everything and said nothing alarming.
    texts.clear();
    fakeFfmpeg(bin, root / "whole.mp3", "[mp3 @ 0x5581] Estimating duration from bitrate");
    job.run();
    EXPECT_EQ(texts, converted("Long(1).mp3"));
    EXPECT_EQ(readFile(music / "Long(1).mp3"), readFile(root / "whole.mp3"));
}

// A file title that names another folder is only a file name: the MP3 is
// written into the music folder and nowhere else.
TEST_F(ConvertJobTest, TitlesNeverLeaveTheFolders) {
    fs::create_directories(music / "sub");
    std::vector<std::string> written = {"sub"};
    for (const char* title : {"../Outside", "sub/Inner", "..", "."}) {
        texts.clear();
        JobOptions options;
        options.musicFolder = music.string();
        ConvertJob(options, (clips / "clip.flv").string(), title, 3, &collect).run();
        ASSERT_EQ(texts.size(), 4u) << title;
        ASSERT_TRUE(texts[1].starts_with("saved:")) << title;
        const std::string name = texts[1].substr(6);
        EXPECT_EQ(name.find('/'), std::string::npos) << title;
        written.push_back(name);
    }
    EXPECT_FALSE(fs::exists(root / "Outside.mp3"));
    EXPECT_FALSE(fs::exists(music / "sub" / "Inner.mp3"));
    EXPECT_EQ(strayFiles(written), std::vector<std::string>{});
}

// The job converts exactly the movie it is given: near the name-length limit
// "T(1)" made safe is "T", the name of another row's movie. The MP3 is named
// after the file title and tagged with the whole title.
TEST_F(ConvertJobTest, ConvertsExactlyTheMovieItIsGiven) {
    const std::string cut(FileTitle::maxSafeBytes, 'T');
    writeFile(movies / (cut + ".flv"), "another row's movie");
    fs::copy_file(clips / "clip.flv", movies / (cut + "(1).flv"));
    JobOptions options;
    options.title = cut + " and the rest of the page's title";
    options.musicFolder = music.string();
    ConvertJob(options, (movies / (cut + "(1).flv")).string(), cut + "(1)", 3, &collect).run();
    EXPECT_EQ(texts, converted(cut + ".mp3"));
    EXPECT_EQ(probeTags(music / (cut + ".mp3")).back(), "TAG:title=" + options.title);
}

// The MP3 is tagged with its title and page, and takes the page's picture
// (WebP and PNG made JPEG) as its front cover, fetched again from the page;
// a picture that is broken, not an image or missing costs the cover only.
TEST_F(ConvertJobTest, TagsTheTitleThePageAndItsPictureAsTheCover) {
    FixtureServer srv;
    for (const std::string ext : {"webp", "png"}) {
        const fs::path picture = root / ("picture." + ext);
        ASSERT_EQ(ProcessRunner({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                                 "testsrc=size=48x32", "-frames:v", "1", "-y", picture.string()})
                      .run(),
                  0);
        srv.body("/" + ext, readFile(picture), "image/" + ext);
    }
    srv.body("/broken", "\x89PNG\r\n\x1a\nnot a picture at all", "image/png");
    srv.body("/text", readFile(root / "picture.png"), "text/plain");
    srv.body("/og", "<meta content='/webp?a=1&amp;b=2' property=og:image><p>Clip</p>");
    srv.body("/thumb", "<html><link rel=\"image_src\" href=\"png\"></html>");
    srv.body("/broken-og", "<meta property=\"og:image\" content=\"/broken\">");
    srv.body("/text-og", "<meta property=\"og:image\" content=\"/text\">");
    srv.body("/missing-og", "<meta property=\"og:image\" content=\"/none\">");
    srv.body("/plain", "<p>no picture</p>");

    const std::vector<std::string> pages = {"/og",      "/thumb",      "/broken-og",
                                            "/text-og", "/missing-og", "/plain"};
    for (std::size_t i = 0; i < pages.size(); ++i) {
        texts.clear();
        const std::string title = "-Tagged " + std::to_string(i);
        ConvertJob job = jobWithMovie(title, "flv");
        JobOptions options = job.options();
        options.pageUrl = srv.url(pages[i]);
        ConvertJob(options, job.moviePath(), title, 4, &collect).run();
        EXPECT_EQ(texts, converted(title + ".mp3")) << pages[i];
        const bool cover = i < 2;
        std::vector<std::string> expected = {"codec_name=mp3", "DISPOSITION:attached_pic=0"};
        if (cover)
            expected.insert(expected.end(), {"codec_name=mjpeg", "DISPOSITION:attached_pic=1",
                                             "TAG:comment=Cover (front)"});
        expected.insert(expected.end(), {"TAG:comment=" + srv.url(pages[i]), "TAG:title=" + title});
        EXPECT_EQ(probeTags(music / (title + ".mp3")), expected) << pages[i];
    }
    EXPECT_EQ(srv.hits("/webp"), 1);
    EXPECT_EQ(srv.hits("/png"), 1);
    EXPECT_EQ(strayFiles({"-Tagged 0.mp3", "-Tagged 1.mp3", "-Tagged 2.mp3", "-Tagged 3.mp3",
                          "-Tagged 4.mp3", "-Tagged 5.mp3"}),
              std::vector<std::string>{});
}

// ffmpeg's progress reaches the job's sink as seconds of sound, up to all of it.
TEST_F(ConvertJobTest, ReportsHowMuchOfTheSoundIsConverted) {
    jobWithMovie("Paced", "mp4").run();
    EXPECT_EQ(texts, converted("Paced.mp3"));
    ASSERT_FALSE(progress.empty());
    for (std::size_t i = 1; i < progress.size(); ++i)
        EXPECT_GE(progress[i].first, progress[i - 1].first);
    EXPECT_NEAR(progress.back().second, 1.0, 0.1);
    EXPECT_EQ(progress.back().first, progress.back().second);
}

} // namespace
