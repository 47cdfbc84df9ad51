#include "transfers/list/TransferList.h"
#include "base/CancelToken.h"
#include "base/WorkRunner.h"
#include "files/FileTitle.h"
#include "jobs/ConvertJob.h"
#include "jobs/DownloadJob.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "transfers/list/LateJobEvents.h"
#include "transfers/list/TransferStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <map>
#include <string>
#include <system_error>

namespace {

using State = TransferState;
using Kind = JobEvent::Kind;

// The list over jobs that are kept, never run: the test plays their events.
class TransferListTest : public ::testing::Test, public TransferList::Observer {
protected:
    void inserted(std::size_t) override {}
    void changed(std::size_t) override {}
    void removed(std::size_t) override {}
    void saved(const TransferRecord& record, bool mp3) override {
        savedFiles.push_back(mp3 ? record.mp3Path : record.moviePath);
    }
    void ended(const TransferRecord& record) override { endedIds.push_back(record.id); }

    std::unique_ptr<TransferList> makeList(TransferStore* store = nullptr) {
        auto list = std::make_unique<TransferList>(
            store,
            [this](std::unique_ptr<Job> job) {
                if (refuse)
                    throw std::system_error(
                        std::make_error_code(std::errc::resource_unavailable_try_again));
                jobs.push_back(std::move(job));
            },
            nullptr, [this] { return now; });
        list->setObserver(this);
        return list;
    }

    static JobEvent eventOf(const Job& job, Kind kind, std::string text = {}, double done = 0,
                            double total = 0) {
        JobEvent event;
        event.id = job.reporter().id();
        event.kind = kind;
        event.text = std::move(text);
        event.done = done;
        event.total = total;
        return event;
    }
    static JobEvent eventOf(const Job& job, Kind kind, Reason reason) {
        JobEvent event = eventOf(job, kind);
        event.reason = reason;
        return event;
    }
    static JobEvent resumable(const Job& job, ResumeState state) {
        JobEvent event = eventOf(job, Kind::Resumable);
        event.resume = std::move(state);
        return event;
    }
    void send(const Job& job, Kind kind, std::string text = {}, double done = 0, double total = 0) {
        list->apply(eventOf(job, kind, std::move(text), done, total));
    }
    void send(const Job& job, Kind kind, Reason reason) { list->apply(eventOf(job, kind, reason)); }
    const TransferRecord& record(std::int64_t id) const { return list->at(*list->rowOf(id)); }
    State state(std::int64_t id) const { return record(id).state; }

    TempFolder dir;
    TransferList::JobSettings now{4, dir.file("movies"), dir.file("music"), false};
    std::vector<std::unique_ptr<Job>> jobs;
    bool refuse = false;
    std::vector<std::string> savedFiles;
    std::vector<std::int64_t> endedIds;
    std::unique_ptr<TransferList> list = makeList();
};

} // namespace

TEST_F(TransferListTest, QueueRunsAtMostMaxRunningInOrder) {
    list->setMaxRunning(2);
    const auto a = list->add("http://x/a", "a");
    const auto b = list->add("http://x/b", "b");
    const auto c = list->add("http://x/c", "c");
    const auto d = list->add("http://x/d", "d");
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[1]->options().title, "b");
    EXPECT_EQ(state(c), State::Queued);
    EXPECT_EQ(record(d).status, Reason::Queued);
    EXPECT_EQ(list->queuedCount(), 2);

    send(*jobs[0], Kind::Finished);
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(jobs[2]->options().title, "c");
    EXPECT_EQ(state(d), State::Queued);
    list->setMaxRunning(3);
    ASSERT_EQ(jobs.size(), 4u);
    EXPECT_EQ(list->runningCount(), 3);
    EXPECT_EQ(state(a), State::Done);
    EXPECT_EQ(state(b), State::Running);

    // Never refused; a job that cannot start fails its row, not the list.
    refuse = true;
    const auto e = list->add("http://x/e", "e");
    EXPECT_EQ(state(e), State::Queued);
    refuse = false;
    send(*jobs[1], Kind::Failed, Reason::NoConnection);
    EXPECT_EQ(jobs.back()->options().title, "e");
    refuse = true;
    send(*jobs[2], Kind::Cancelled, Reason::Cancelled);
    EXPECT_EQ(list->queuedCount(), 0);
    const auto f = list->add("http://x/f", "f");
    EXPECT_EQ(state(f), State::Failed);
    EXPECT_EQ(record(f).status, Reason::StartFailed);

    // Held (the browser's cookies still loading), the queue waits; a job
    // started sends what the browser would for its page.
    refuse = false;
    list->hold(true);
    const auto g = list->add("http://x/g", "g");
    EXPECT_EQ(state(g), State::Queued);
    list->setIdentity([](const std::string& page, FetchBounds& bounds) { bounds.referer = page; });
    const std::size_t started = jobs.size();
    list->hold(false);
    ASSERT_EQ(jobs.size(), started + 1);
    EXPECT_EQ(jobs.back()->options().referer, "http://x/g");
}

TEST_F(TransferListTest, StatesFollowUserActionsAndJobEvents) {
    const auto x = list->add("http://x/x", "x");
    ASSERT_EQ(jobs.size(), 1u);
    send(*jobs[0], Kind::Status, Reason::Downloading);
    send(*jobs[0], Kind::Progress, {}, 50, 100);
    list->apply(
        resumable(*jobs[0], {.partFile = dir.file("x.part"), .validator = "\"e1\"", .total = 100}));
    EXPECT_NE(list->rateAt(*list->rowOf(x)), nullptr);
    EXPECT_EQ(record(x).resume.validator, "\"e1\"");
    EXPECT_FALSE(list->convert(x));
    EXPECT_FALSE(list->clear(x));

    // Pause: the row says so at once; the job keeps its slot until it stops.
    EXPECT_TRUE(list->pause(x));
    EXPECT_TRUE(jobs[0]->reporter().paused());
    send(*jobs[0], Kind::Status, Reason::Connecting);
    EXPECT_EQ(record(x).status, Reason::Paused);
    EXPECT_EQ(list->runningCount(), 1);
    send(*jobs[0], Kind::Paused, Reason::Paused);
    EXPECT_EQ(state(x), State::Paused);
    EXPECT_EQ(list->runningCount(), 0);
    EXPECT_FALSE(list->pause(x));

    // Resume continues the same part file; the row keeps its title.
    EXPECT_TRUE(list->resume(x));
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(state(x), State::Running);
    EXPECT_EQ(record(x).resume.partFile, dir.file("x.part"));
    send(*jobs[1], Kind::Container, "flv");
    send(*jobs[1], Kind::Saved, "x(1).flv");
    send(*jobs[1], Kind::Finished, Reason::Downloaded);
    EXPECT_EQ(state(x), State::Done);
    EXPECT_EQ(record(x).status, Reason::Downloaded);
    EXPECT_EQ(record(x).title, "x");
    EXPECT_EQ(record(x).moviePath, dir.file("movies/x(1).flv"));

    // Convert: on the same record, the movie where it was saved, the MP3
    // into the music folder of now, at 128k.
    const std::string savedIn = record(x).movieFolder;
    now.movieFolder = dir.file("later");
    now.musicFolder = dir.file("music");
    EXPECT_TRUE(list->convert(x));
    ASSERT_EQ(jobs.size(), 3u);
    const auto* conversion = dynamic_cast<const ConvertJob*>(jobs[2].get());
    ASSERT_NE(conversion, nullptr);
    EXPECT_EQ(jobs[2]->options().bitRate, "128k");
    EXPECT_EQ(conversion->moviePath(), savedIn + "/x(1).flv");
    EXPECT_EQ(jobs[2]->options().musicFolder, dir.file("music"));
    EXPECT_EQ(state(x), State::Converting);
    EXPECT_FALSE(list->pause(x));
    send(*jobs[2], Kind::Saved, "x(1).mp3");
    send(*jobs[2], Kind::Finished, Reason::Converted);
    EXPECT_EQ(record(x).mp3Path, dir.file("music/x(1).mp3"));
    EXPECT_FALSE(list->convert(x));
    EXPECT_FALSE(list->retry(x));
    EXPECT_EQ(savedFiles, (std::vector<std::string>{record(x).moviePath, record(x).mp3Path}));

    // Cancel, retry with the settings of now, fail: told of the end once.
    const auto y = list->add("http://x/y", "y");
    EXPECT_TRUE(list->cancel(y));
    EXPECT_TRUE(jobs[3]->reporter().cancelled());
    EXPECT_FALSE(jobs[3]->reporter().paused());
    send(*jobs[3], Kind::Cancelled, Reason::Cancelled);
    EXPECT_EQ(state(y), State::Cancelled);
    now.quality = 1;
    EXPECT_TRUE(list->retry(y));
    ASSERT_EQ(jobs.size(), 5u);
    EXPECT_EQ(jobs[4]->options().quality, 1);
    send(*jobs[4], Kind::Failed, Reason::SaveFailed);
    EXPECT_EQ(record(y).error, Reason::SaveFailed);
    EXPECT_EQ(endedIds, (std::vector<std::int64_t>{x, x, y}));

    // A paused transfer's bytes go with a cancel; clearing keeps the files.
    const auto z = list->add("http://x/z", "z");
    list->apply(resumable(*jobs[5], {.partFile = dir.file("z.part"), .validator = "v"}));
    testfiles::writeFile(dir.file("z.part"), "bytes");
    list->pause(z);
    send(*jobs[5], Kind::Paused, Reason::Paused);
    EXPECT_TRUE(list->cancel(z));
    EXPECT_EQ(record(z).status, Reason::Cancelled);
    EXPECT_FALSE(std::filesystem::exists(dir.file("z.part")));
    EXPECT_TRUE(list->clear(x));
    EXPECT_TRUE(list->clear(y));
    EXPECT_EQ(list->size(), 1u);
    EXPECT_FALSE(list->rowOf(x));
    EXPECT_FALSE(list->clear(x));

    // Cancelled before the job answered its pause: the row stays cancelled,
    // whatever the job's last word, and the bytes go.
    const auto w = list->add("http://x/w", "w");
    ASSERT_EQ(jobs.size(), 7u);
    list->apply(resumable(*jobs[6], {.partFile = dir.file("w.part"), .validator = "v"}));
    testfiles::writeFile(dir.file("w.part"), "bytes");
    list->pause(w);
    EXPECT_TRUE(list->cancel(w));
    send(*jobs[6], Kind::Paused, Reason::Paused);
    EXPECT_EQ(record(w).status, Reason::Cancelled);
    EXPECT_FALSE(std::filesystem::exists(dir.file("w.part")));
}

// The row shows the page's title whole; the files are named after it made
// safe, and a conversion reads the very movie its row saved, however alike
// the names of two rows' movies are.
TEST_F(TransferListTest, ARowKeepsItsTitleApartFromItsOwnFiles) {
    const std::string title(FileTitle::maxSafeBytes + 40, 'T');
    const std::string cut = FileTitle::safe(title);
    const auto a = list->add("http://x/a", "");
    const auto b = list->add("http://x/b", "");
    send(*jobs[0], Kind::Titled, title);
    send(*jobs[1], Kind::Titled, title);
    send(*jobs[0], Kind::Saved, cut + ".flv");
    send(*jobs[1], Kind::Saved, cut + "(1).flv");
    send(*jobs[0], Kind::Finished);
    send(*jobs[1], Kind::Finished);
    EXPECT_EQ(record(a).title, title);
    EXPECT_EQ(record(b).title, title);
    EXPECT_EQ(record(b).fileTitle, cut);

    EXPECT_TRUE(list->convert(b));
    const auto* conversion = dynamic_cast<const ConvertJob*>(jobs.back().get());
    ASSERT_NE(conversion, nullptr);
    EXPECT_EQ(conversion->moviePath(), dir.file("movies/" + cut + "(1).flv"));
    EXPECT_EQ(conversion->fileTitle(), cut);
    EXPECT_EQ(conversion->options().title, title);
}

// Retrying a failed or cancelled automatic conversion converts the saved
// movie again; only a movie that has gone is downloaded again.
TEST_F(TransferListTest, RetryConvertsASavedMovieRatherThanFetchingItAgain) {
    now.convert = true;
    dir.folder("movies");
    const auto x = list->add("http://x/x", "Clip");
    send(*jobs[0], Kind::Saved, "Clip.flv");
    testfiles::writeFile(record(x).moviePath, "movie");
    send(*jobs[0], Kind::Converting, Reason::Converting);
    send(*jobs[0], Kind::Failed, Reason::ConversionFailed);
    now.convert = false;
    ASSERT_TRUE(list->retry(x));
    const auto* conversion = dynamic_cast<const ConvertJob*>(jobs.back().get());
    ASSERT_NE(conversion, nullptr);
    EXPECT_EQ(conversion->moviePath(), dir.file("movies/Clip.flv"));

    list->cancel(x);
    send(*jobs.back(), Kind::Cancelled, Reason::Cancelled);
    ASSERT_TRUE(list->retry(x));
    EXPECT_NE(dynamic_cast<const ConvertJob*>(jobs.back().get()), nullptr);
    list->cancel(x);
    send(*jobs.back(), Kind::Cancelled, Reason::Cancelled);
    std::filesystem::remove(dir.file("movies/Clip.flv"));
    ASSERT_TRUE(list->retry(x));
    EXPECT_NE(dynamic_cast<const DownloadJob*>(jobs.back().get()), nullptr);
    EXPECT_EQ(record(x).moviePath, "");
}

TEST_F(TransferListTest, ALibraryFileConvertsAsATransferAndItsRecordsFollowARename) {
    dir.folder("old");
    const std::string movie = dir.file("old/Talk.mp4");
    testfiles::writeFile(movie, "movie");
    const auto x = list->addConversion(movie, "Talk");
    const auto* conversion = dynamic_cast<const ConvertJob*>(jobs.back().get());
    ASSERT_NE(conversion, nullptr);
    EXPECT_EQ(conversion->moviePath(), movie) << "read where it lies";
    EXPECT_EQ(record(x).musicFolder, now.musicFolder);
    // In use while it converts: not renamed under the job.
    EXPECT_TRUE(list->fileInUse(movie));
    EXPECT_FALSE(list->fileMoved(movie, dir.file("old/New.mp4")));
    send(*jobs.back(), Kind::Saved, "Talk.mp3");
    send(*jobs.back(), Kind::Converted);
    send(*jobs.back(), Kind::Finished, Reason::Converted);
    ASSERT_EQ(state(x), State::Done);
    EXPECT_TRUE(list->fileMoved(movie, dir.file("old/New.mp4")));
    EXPECT_EQ(record(x).moviePath, dir.file("old/New.mp4"));
    EXPECT_EQ(record(x).mp3Path, now.musicFolder + "/Talk.mp3");
}

TEST_F(TransferListTest, EventsOfAnEarlierJobAreDropped) {
    const auto x = list->add("http://x/x", "x");
    list->cancel(x);
    // Retried before its job stopped: the record waits for it.
    EXPECT_TRUE(list->retry(x));
    EXPECT_EQ(jobs.size(), 1u);
    send(*jobs[0], Kind::Cancelled, Reason::Cancelled);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(state(x), State::Running);
    send(*jobs[1], Kind::Status, Reason::ReadingPage);

    send(*jobs[0], Kind::Status, Reason::Downloading);
    send(*jobs[0], Kind::Progress, {}, 7, 9);
    send(*jobs[0], Kind::Failed, Reason::SaveFailed);
    EXPECT_EQ(state(x), State::Running);
    EXPECT_EQ(record(x).status, Reason::ReadingPage);
    EXPECT_EQ(record(x).received, 0);

    // Cleared while stopping: its last events find nothing, its slot frees.
    list->setMaxRunning(1);
    const auto y = list->add("http://x/y", "y");
    list->cancel(x);
    list->clear(x);
    EXPECT_EQ(state(y), State::Queued);
    send(*jobs[1], Kind::Saved, "x.flv");
    send(*jobs[1], Kind::Cancelled, Reason::Cancelled);
    EXPECT_EQ(list->size(), 1u);
    EXPECT_TRUE(savedFiles.empty());
    EXPECT_EQ(state(y), State::Running);
}

TEST_F(TransferListTest, ACrashOrACloseIsContinuedAtTheNextStart) {
    TransferStore store(dir.file("transfers.sqlite"));
    auto stored = [](std::int64_t id, State state, TransferKind kind = TransferKind::Download) {
        TransferRecord r;
        r.id = id;
        r.state = state;
        r.kind = kind;
        r.title = "t" + std::to_string(id);
        r.movieFolder = "/m";
        r.type = "mp4";
        if (kind == TransferKind::Conversion)
            r.moviePath = "/m/t.mp4";
        r.resume = {.partFile = "/m/t.part", .validator = "v"};
        return r;
    };
    // As a crash leaves them.
    store.save(stored(1, State::Done));
    store.save(stored(2, State::Running));
    store.save(stored(3, State::Paused));
    store.save(stored(4, State::Converting, TransferKind::Conversion));
    store.save(stored(5, State::Queued));
    store.save(stored(6, State::Interrupted));
    list = makeList(&store);
    list->setMaxRunning(2);
    list->restore();
    ASSERT_EQ(list->size(), 6u);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0]->options().title, "t2");
    EXPECT_EQ(record(2).resume.partFile, "/m/t.part");
    const auto* conversion = dynamic_cast<const ConvertJob*>(jobs[1].get());
    ASSERT_NE(conversion, nullptr);
    EXPECT_EQ(conversion->moviePath(), "/m/t.mp4");
    EXPECT_EQ(state(1), State::Done);
    EXPECT_EQ(state(3), State::Paused);
    EXPECT_EQ(state(5), State::Queued);
    EXPECT_GT(list->add("http://x/new", "new"), 6);

    // Closing: running and queued ones are interrupted, paused ones stay.
    list->interruptAll();
    EXPECT_TRUE(jobs[0]->reporter().paused());
    store.flush();
    jobs.clear();
    list = makeList(&store);
    list->setMaxRunning(8);
    list->restore();
    EXPECT_EQ(jobs.size(), 5u);
    EXPECT_EQ(state(3), State::Paused);
    EXPECT_EQ(state(1), State::Done);
}

// Jobs that outlive the close's wait: what they say once the window takes
// no more (a movie saved, a part file of their own) still reaches the store,
// so that the next start neither fetches the movie again nor loses bytes.
TEST_F(TransferListTest, ClosingKeepsWhatJobsSayAfterTheWindowStopsListening) {
    TransferStore store(dir.file("transfers.sqlite"));
    list = makeList(&store);
    const auto saved = list->add("http://x/a", "a");
    const auto moved = list->add("http://x/b", "b");
    list->interruptAll();
    LateJobEvents late(store);
    // Before the records are handed over, and after.
    send(*jobs[0], Kind::Titled, "A");
    late.apply(eventOf(*jobs[0], Kind::Saved, "a.flv"));
    late.takeOver(list->jobRecords());
    late.apply(eventOf(*jobs[0], Kind::Finished));
    late.apply(resumable(*jobs[1], {.partFile = dir.file("b.7.part"), .validator = "v"}));
    late.apply(eventOf(*jobs[1], Kind::Paused, Reason::Paused));
    late.close();
    late.apply(eventOf(*jobs[1], Kind::Failed, Reason::SaveFailed));
    store.flush();

    jobs.clear();
    list = makeList(&store);
    list->restore();
    EXPECT_EQ(state(saved), State::Done);
    EXPECT_EQ(record(saved).title, "A");
    EXPECT_EQ(record(saved).moviePath, dir.file("movies/a.flv"));
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0]->options().resume.partFile, dir.file("b.7.part"));
    EXPECT_EQ(record(moved).resume.validator, "v");
}

// A download's next job continues the pieces its last one recorded, over
// the connections and with the subtitles of now; every job shares one host
// budget and one limit.
TEST_F(TransferListTest, PiecesRecordedReachTheNextJob) {
    now.connections = 6;
    now.subtitles = {true, {"en", "pt-BR"}};
    const auto x = list->add("http://x/x", "x");
    list->add("http://x/y", "y");
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0]->options().connections, 6);
    EXPECT_TRUE(jobs[0]->options().subtitles.save);
    EXPECT_EQ(jobs[0]->options().subtitles.text(), "en,pt-BR");
    ASSERT_TRUE(jobs[0]->options().hostBudget);
    EXPECT_EQ(jobs[0]->options().hostBudget, jobs[1]->options().hostBudget);
    EXPECT_EQ(jobs[0]->options().speedLimit, jobs[1]->options().speedLimit);
    const ResumeState told{.partFile = dir.file("x.part"),
                           .validator = "\"e1\"",
                           .total = 9000,
                           .ranges = "bytes=0-99",
                           .segments = {"m1", {"0-41", ""}}};
    list->apply(resumable(*jobs[0], told));
    EXPECT_EQ(record(x).resume, told);

    ASSERT_TRUE(list->pause(x));
    send(*jobs[0], Kind::Paused, Reason::Paused);
    now.connections = 2;
    now.subtitles = {};
    ASSERT_TRUE(list->resume(x));
    const JobOptions& next = jobs.back()->options();
    EXPECT_EQ(next.resume, told);
    EXPECT_EQ(next.connections, 2);
    EXPECT_FALSE(next.subtitles.save);
    send(*jobs.back(), Kind::Saved, "x.flv");
    EXPECT_EQ(record(x).resume, ResumeState()) << "nothing left to continue";
}

TEST(JobRunnerTest, RunsAJobOnAWorkerWhichDeletesIt) {
    // A job handed over runs there and is deleted there (ASan sees a leak).
    WorkRunner workers;
    std::promise<void> stopped;
    auto token = std::make_shared<CancelToken>();
    token->cancel();
    JobOptions options;
    options.title = "t";
    TransferList::jobRunner(workers)(std::make_unique<ConvertJob>(
        options, "t.flv", "t", 1,
        [&stopped](const JobEvent& event) {
            if (event.kind == JobEvent::Kind::Cancelled)
                stopped.set_value();
        },
        token));
    EXPECT_TRUE(workers.waitUntilNone(std::chrono::seconds(10)));
    EXPECT_EQ(stopped.get_future().wait_for(std::chrono::seconds(0)), std::future_status::ready);
}

TEST_F(TransferListTest, QueuedRowsMoveStartNowAndKeepTheirOrderAcrossARestart) {
    using Action = TransferList::Action;
    TransferStore store(dir.file("transfers.sqlite"));
    list = makeList(&store);
    list->setMaxRunning(1);
    std::map<char, std::int64_t> id;
    for (char title : std::string("abcde"))
        id[title] = list->add(std::string("http://x/") + title, std::string(1, title));
    const auto order = [&] {
        std::string titles;
        for (std::size_t row = 0; row < list->size(); ++row)
            titles += list->at(row).title;
        return titles;
    };
    // Only queued rows move, and only past other queued ones.
    EXPECT_FALSE(list->can(Action::MoveDown, id['a']));
    EXPECT_FALSE(list->can(Action::MoveUp, id['b']));
    EXPECT_FALSE(list->can(Action::MoveDown, id['e']));
    EXPECT_TRUE(list->moveToTop(id['d']));
    EXPECT_TRUE(list->moveDown(id['b']));
    EXPECT_TRUE(list->moveUp(id['e']));
    EXPECT_EQ(order(), "adceb");
    list->pause(id['c']);
    EXPECT_TRUE(list->moveUp(id['b']));
    EXPECT_EQ(order(), "adcbe") << "a paused row between stays where it is";

    // Start Now runs one beyond the number at once.
    EXPECT_TRUE(list->startNow(id['e']));
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[1]->options().title, "e");

    // The next start keeps the order, and the queue runs in it.
    list->interruptAll();
    store.flush();
    jobs.clear();
    list = makeList(&store);
    list->setMaxRunning(1);
    list->restore();
    EXPECT_EQ(order(), "adcbe");
    std::string started;
    while (!jobs.empty() && started.size() < jobs.size()) {
        started += jobs.back()->options().title;
        send(*jobs.back(), Kind::Finished);
    }
    EXPECT_EQ(started, "adbe");
}
