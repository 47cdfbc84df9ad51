#include "TransfersFixture.h"

#include "ChildSubreaper.h"
#include "TestFiles.h"
#include "ToolRun.h"

#include <QProgressBar>

#include <chrono>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using testfiles::listFolder;
using testfiles::readFile;
using testfiles::writeFile;
using Outcome = DownloadItems::Outcome;
using Names = std::vector<std::string>;

namespace {

const QString NotFinished = "This item hasn't finished processing.";
const QString Converted = "Complete! Thank you for using Quillmoth.";

// A file descriptor closed when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

// "convert to mp3" on a transfer that ended well, with the real ffmpeg on a
// real worker. The transfer itself is told by hand (its job is kept).
class ConvertOnRequestTest : public RealJobsTest {
protected:
    void finishedClip() {
        keepJobs();
        finishedTransfer("Clip");
        downloads->setWorkerStarter({});
    }
};

TEST_F(ConvertOnRequestTest, RunsOnAWorkerWhileTheWindowKeepsDraining) {
    // Long enough that encoding takes a while.
    ASSERT_TRUE(makeClip({"-f", "lavfi", "-i", "sine=frequency=440:duration=30", "-c:a", "aac"},
                         movies + "/Clip.mp4"));
    keepJobs();
    finishedTransfer("Clip");
    downloads->download("http://127.0.0.1:1/other", "Other");
    downloads->setWorkerStarter({});
    ASSERT_EQ(ListView::rowCount(library), 1);

    downloads->convert(0);

    const DownloadItems* record = downloads->itemAtRow(0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(status(0), "Converting to mp3...");
    EXPECT_EQ(barInRow(0)->minimum(), 0);
    EXPECT_EQ(barInRow(0)->maximum(), 0);
    EXPECT_FALSE(record->complete());
    EXPECT_FALSE(downloads->waitForWorkers(std::chrono::milliseconds(0)));
    // Neither cleared nor converted twice while it runs.
    downloads->clearItemFromView(0);
    downloads->convert(0);
    EXPECT_EQ(messages, QStringList({NotFinished, NotFinished}));

    // The window's drain goes on: another row's statuses land while ffmpeg encodes.
    const int other = downloads->itemAtRow(1)->id;
    int appliedWhileConverting = 0;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (int step = 0; !record->ended() && std::chrono::steady_clock::now() < giveUp; ++step) {
        const std::string text = "step " + std::to_string(step);
        Downloads::cb(other, text.c_str());
        downloads->tick();
        if (status(1) == wide(text) && !record->complete())
            ++appliedWhileConverting;
        pollPause();
    }
    ASSERT_TRUE(drainUntilRowEnded(0));
    EXPECT_GT(appliedWhileConverting, 0);

    EXPECT_EQ(status(0), Converted);
    EXPECT_TRUE(record->converted());
    EXPECT_EQ(record->outcome, Outcome::Done);
    EXPECT_EQ(barInRow(0)->value(), barInRow(0)->maximum());
    EXPECT_GT(barInRow(0)->maximum(), 0);
    EXPECT_EQ(listFolder(music), Names{"Clip.mp3"});
    EXPECT_GT(readFile(music + "/Clip.mp3").size(), 0u);
    ASSERT_EQ(ListView::rowCount(library), 2);
    EXPECT_EQ(libraryRow(1), QStringList({"Clip", "mp3", wide(music)}));
    EXPECT_TRUE(downloads->waitForWorkers(std::chrono::seconds(10)));

    messages.clear();
    downloads->convert(0);
    EXPECT_EQ(messages, QStringList({"This item has already been converted."}));
    EXPECT_EQ(ListView::rowCount(library), 2);
}

TEST_F(ConvertOnRequestTest, CancelEndsFfmpegAndRetryConvertsAgain) {
    ChildSubreaper subreaper;
    // A movie whose bytes never come: ffmpeg waits on it until it is ended.
    const std::string movie = movies + "/Clip.mp4";
    ASSERT_EQ(mkfifo(movie.c_str(), 0600), 0);
    const Descriptor writer(open(movie.c_str(), O_RDWR));
    ASSERT_GE(writer.get(), 0);
    writeFile(music + "/Clip.mp3", "earlier mp3");
    finishedClip();

    downloads->convert(0);
    std::vector<pid_t> ffmpeg;
    ASSERT_TRUE(waitUntil([&] {
        ffmpeg = childProcesses(getpid(), "ffmpeg");
        return !ffmpeg.empty();
    }));
    // Its temporary MP3 beside the earlier one.
    EXPECT_EQ(listFolder(music).size(), 2u);

    downloads->cancel(0);
    ASSERT_TRUE(drainUntilRowEnded(0));

    EXPECT_EQ(status(0), "Cancelled.");
    const DownloadItems* record = downloads->itemAtRow(0);
    EXPECT_EQ(record->outcome, Outcome::Cancelled);
    EXPECT_FALSE(record->converted());
    for (pid_t pid : ffmpeg)
        EXPECT_TRUE(processEnded(pid)) << pid;
    EXPECT_TRUE(childProcesses(getpid(), "ffmpeg").empty());
    EXPECT_EQ(listFolder(music), Names{"Clip.mp3"});
    EXPECT_EQ(readFile(music + "/Clip.mp3"), "earlier mp3");
    EXPECT_EQ(ListView::rowCount(library), 1);
    EXPECT_EQ(barInRow(0)->maximum(), 1);
    EXPECT_EQ(barInRow(0)->value(), 0);

    // Retry runs the conversion again (not the transfer), now on a real movie.
    ASSERT_TRUE(std::filesystem::remove(movie));
    ASSERT_TRUE(
        makeClip({"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a", "aac"}, movie));
    downloads->retry(0);
    EXPECT_EQ(status(0), "Converting to mp3...");
    ASSERT_TRUE(drainUntilRowEnded(0));
    EXPECT_EQ(status(0), Converted);
    // The earlier MP3 is never replaced: the new one takes the next name.
    EXPECT_EQ(readFile(music + "/Clip.mp3"), "earlier mp3");
    EXPECT_EQ(listFolder(music), (Names{"Clip(1).mp3", "Clip.mp3"}));
    ASSERT_EQ(ListView::rowCount(library), 2);
    EXPECT_EQ(libraryRow(1), QStringList({"Clip(1)", "mp3", wide(music)}));
}

// The job a request makes, run by hand: what it is given and how its end shows.
TEST_F(TransfersTest, ConversionJobTakesTheRowAndTheFoldersOfNow) {
    useFolders("/films/then", "/music/then");
    finishedTransfer("Clip");
    useFolders("/films/now", "/music/now");

    downloads->convert(0);

    ASSERT_EQ(kept.size(), 2u);
    const DownloadItems* record = downloads->itemAtRow(0);
    ASSERT_NE(record, nullptr);
    const core& job = *kept[1];
    EXPECT_TRUE(job.conversionOnly);
    EXPECT_EQ(job.entry(), &core::ConvertStaticEntryPoint);
    EXPECT_EQ(job.movieFile(), "/films/now/Clip.mp4");
    EXPECT_EQ(job.mp3Path, "/music/now");
    EXPECT_EQ(job.fileTitle, "Clip");
    EXPECT_EQ(job.bitRate, "128k");
    // A job of its own: new id, new token.
    EXPECT_EQ(job.jobId, record->id);
    EXPECT_NE(record->id, 0);
    EXPECT_EQ(downloads->item(0), nullptr);
    EXPECT_EQ(job.cancelToken, record->cancel);
    EXPECT_NE(job.cancelToken, kept[0]->cancelToken);

    // No music folder: it fails, on the row and not in a message box.
    core::ConvertStaticEntryPoint(kept[1].release());
    tickAll();
    EXPECT_EQ(status(0), "Error: Could not convert to mp3.");
    EXPECT_TRUE(record->complete());
    EXPECT_FALSE(record->converted());
    EXPECT_EQ(record->outcome, Outcome::Failed);
    EXPECT_EQ(barInRow(0)->maximum(), 1);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(ListView::rowCount(library), 1);

    // Cancelled before its worker ran, the conversion starts no ffmpeg.
    downloads->retry(0);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_TRUE(kept[2]->conversionOnly);
    downloads->cancel(0);
    EXPECT_TRUE(kept[2]->cancelled());
    core::ConvertStaticEntryPoint(kept[2].release());
    tickAll();
    EXPECT_EQ(status(0), "Cancelled.");
    EXPECT_EQ(record->outcome, Outcome::Cancelled);
}
