// The Transfers tab's model over the real list, whose jobs are kept instead
// of run so that their events are told by hand.
#include "TransferModel.h"
#include "DownloadJob.h"
#include "Job.h"
#include "ProgressDelegate.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TransferStore.h"

#include <QAbstractItemModelTester>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QTreeView>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Action = TransferModel::Action;
using Kind = JobEvent::Kind;

class TransferModelTest : public ::testing::Test {
protected:
    TransferModelTest()
        : list(
              nullptr, [this](std::unique_ptr<Job> job) { kept.push_back(std::move(job)); },
              [](const JobEvent&) {},
              [] {
                  TransferList::JobSettings now;
                  now.movieFolder = "/films";
                  now.musicFolder = "/music";
                  return now;
              }),
          model(list) {}

    // What the latest job of the row's transfer would send.
    void tell(int row, Kind kind, std::string text = {}, double done = 0, double total = 0) {
        JobEvent event;
        event.id = jobOf(row);
        event.kind = kind;
        event.text = std::move(text);
        event.done = done;
        event.total = total;
        list.apply(event);
    }
    void tell(int row, Kind kind, Reason reason) {
        JobEvent event;
        event.id = jobOf(row);
        event.kind = kind;
        event.reason = reason;
        list.apply(event);
    }
    int jobOf(int row) const {
        const std::string title = list.at(static_cast<std::size_t>(row)).title;
        for (auto it = kept.rbegin(); it != kept.rend(); ++it)
            if ((*it)->options().title == title)
                return (*it)->reporter().id();
        return -1;
    }

    QString cell(int row, int column, int role = Qt::DisplayRole) const {
        return model.data(model.index(row, column), role).toString();
    }
    ProgressScale bar(int row) const {
        return model
            .data(model.index(row, TransferModel::ProgressColumn), TransferModel::ProgressRole)
            .value<ProgressScale>();
    }
    std::vector<std::unique_ptr<Job>> kept;
    TransferList list;
    TransferModel model;
};

} // namespace

TEST_F(TransferModelTest, RowsShowTheListsRecordsTheirBarsAndSpeedsWhileBytesArrive) {
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QTreeView view;
    view.setModel(&model);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (const char* title : {"First", "Second", "Third"})
        list.add("http://127.0.0.1:1/watch", title);
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(inserted.count(), 3);
    EXPECT_EQ(model.columnCount(), 6);
    EXPECT_EQ(model.headerData(TransferModel::SpeedColumn, Qt::Horizontal), "Speed");
    EXPECT_EQ(cell(1, TransferModel::TitleColumn), "Second");
    EXPECT_EQ(cell(1, TransferModel::TitleColumn, Qt::ToolTipRole), "Second");
    EXPECT_TRUE(bar(0).busy()) << "running, its size unknown";

    tell(0, Kind::Status, Reason::Downloading);
    EXPECT_EQ(cell(0, TransferModel::StatusColumn), "Downloading... [Patience]");
    // Bars always hold their value: over 2 GiB they are scaled.
    const double sixGiB = 6.0 * 1024 * 1024 * 1024;
    tell(0, Kind::Progress, {}, sixGiB / 2, sixGiB);
    EXPECT_GT(bar(0).maximum, 0);
    EXPECT_NEAR(double(bar(0).value) / bar(0).maximum, 0.5, 1e-6);
    // A screen reader reads the bar from the row.
    EXPECT_EQ(cell(0, TransferModel::ProgressColumn, Qt::AccessibleTextRole), "50%");
    EXPECT_EQ(cell(1, TransferModel::ProgressColumn, Qt::AccessibleTextRole), "In progress");

    // Speed: only once worked out, and for the rows moving bytes.
    tell(2, Kind::Progress, {}, 1000, 100000);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    tell(2, Kind::Progress, {}, 50000, 100000);
    EXPECT_EQ(cell(2, TransferModel::SpeedColumn), "");
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.refreshRates(std::chrono::steady_clock::now());
    EXPECT_TRUE(cell(2, TransferModel::SpeedColumn).contains("/s"))
        << cell(2, TransferModel::SpeedColumn).toStdString();
    EXPECT_EQ(cell(1, TransferModel::SpeedColumn), "");
    EXPECT_GE(changed.count(), 1);

    // An ended row goes; the rows below keep their own cells.
    tell(0, Kind::Container, "flv");
    tell(0, Kind::Saved, "First.flv");
    tell(0, Kind::Finished, Reason::Downloaded);
    EXPECT_EQ(bar(0).value, bar(0).maximum);
    view.setCurrentIndex(model.index(0, 0));
    EXPECT_TRUE(list.clear(model.idAt(0)));
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(view.currentIndex().row(), 0) << "the current row moves on";
    EXPECT_EQ(cell(1, TransferModel::TitleColumn), "Third");
    EXPECT_TRUE(cell(1, TransferModel::SpeedColumn).contains("/s"));

    // Its job ended: no speed, at once, and the bar full.
    tell(1, Kind::Failed, Reason::SaveFailed);
    EXPECT_EQ(cell(1, TransferModel::SpeedColumn), "");
    EXPECT_EQ(cell(1, TransferModel::StatusColumn), "Error: Could not save movie.");
    EXPECT_EQ(bar(1).maximum, 100000) << "a failed bar keeps where its bytes got";

    // Without a title yet, the address stands in.
    list.add("http://127.0.0.1:1/untitled", "");
    EXPECT_EQ(cell(2, TransferModel::TitleColumn), "http://127.0.0.1:1/untitled");

    // A queued row moved takes the view's current row with it.
    for (const char* title : {"Fourth", "Fifth", "Sixth"})
        list.add("http://127.0.0.1:1/watch", title);
    view.setCurrentIndex(model.index(5, 0));
    EXPECT_TRUE(list.moveToTop(model.idAt(5)));
    EXPECT_EQ(view.currentIndex().row(), 4);
    EXPECT_EQ(cell(4, TransferModel::TitleColumn), "Sixth");
    EXPECT_EQ(cell(5, TransferModel::TitleColumn), "Fifth");
}

// A conversion's row shows how much of the sound ffmpeg has made MP3 and the
// time it still needs, as a download's shows its bytes.
TEST_F(TransferModelTest, AConversionShowsItsPercentageAndTimeLeft) {
    list.add("http://127.0.0.1:1/watch", "Song");
    tell(0, Kind::Saved, "Song.flv");
    tell(0, Kind::Finished, Reason::Downloaded);
    ASSERT_TRUE(list.convert(model.idAt(0)));
    tell(0, Kind::Converting, Reason::Converting);
    EXPECT_TRUE(bar(0).busy()) << "until ffmpeg says how far it is";
    tell(0, Kind::ConvertProgress, {}, 10, 40);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    tell(0, Kind::ConvertProgress, {}, 20, 40);
    EXPECT_EQ(bar(0).value * 2, bar(0).maximum);
    model.refreshRates(std::chrono::steady_clock::now());
    EXPECT_TRUE(cell(0, TransferModel::SpeedColumn).endsWith(" left"))
        << cell(0, TransferModel::SpeedColumn).toStdString();
    EXPECT_EQ(cell(0, TransferModel::StatusColumn), "Converting to mp3...");

    tell(0, Kind::Saved, "Song.mp3");
    tell(0, Kind::Finished, Reason::Converted);
    EXPECT_EQ(cell(0, TransferModel::SpeedColumn), "");
    EXPECT_EQ(bar(0).value, bar(0).maximum);
}

namespace {

constexpr Action allActions[] = {Action::Pause,    Action::Resume,     Action::Cancel,
                                 Action::Retry,    Action::Clear,      Action::Convert,
                                 Action::Play,     Action::ShowFolder, Action::MoveUp,
                                 Action::MoveDown, Action::MoveToTop,  Action::StartNow};

// One transfer, "Clip", in a state with or without its saved movie and MP3,
// once for each action (id 2 + the action), got there the way the list gets
// there: restored from the store (waiting behind a running transfer when
// queued or interrupted), or, while a job works on it, told the job's
// events. Its automatic conversion is on.
class Copies {
public:
    Copies(TransferState state, TransferKind kind, bool movie, bool mp3) {
        const bool working = state == TransferState::Running || state == TransferState::Converting;
        TransferRecord record;
        record.kind = kind;
        record.title = record.fileTitle = "Clip";
        record.pageUrl = "http://127.0.0.1:1/watch";
        record.movieFolder = dir.file("movies");
        record.musicFolder = dir.file("music");
        record.convert = true;
        record.state =
            working || state == TransferState::Interrupted ? TransferState::Queued : state;
        if (working) {
            list.setMaxRunning(static_cast<int>(std::size(allActions)));
        } else {
            record.moviePath = movie ? moviePath() : "";
            record.mp3Path = mp3 ? mp3Path() : "";
            // Saved files are on disk, as the list finds them at start.
            dir.folder("movies");
            dir.folder("music");
            if (movie)
                testfiles::writeFile(moviePath(), "movie");
            if (mp3)
                testfiles::writeFile(mp3Path(), "song");
        }
        if (record.state == TransferState::Queued && !working) {
            TransferRecord ahead = record;
            ahead.id = 1;
            store.save(ahead);
            list.setMaxRunning(1);
        }
        for (Action action : allActions) {
            record.id = idFor(action);
            store.save(record);
        }
        store.flush();
        list.restore();
        // More copies than may run at once: the rest start now.
        for (Action action : allActions)
            if (working)
                list.startNow(idFor(action));
        for (const auto& job : jobs) {
            if (!working)
                break;
            if (movie)
                tell(*job, JobEvent::Kind::Saved, "Clip.flv");
            if (mp3)
                tell(*job, JobEvent::Kind::Saved, "Clip.mp3");
            if (state == TransferState::Converting)
                tell(*job, JobEvent::Kind::Converting);
        }
        if (state == TransferState::Interrupted)
            list.interruptAll();
        for (Action action : allActions) {
            const TransferRecord& now = list.at(*list.rowOf(idFor(action)));
            reached = reached && now.state == state && now.kind == kind &&
                      now.moviePath == (movie ? moviePath() : "") &&
                      now.mp3Path == (mp3 ? mp3Path() : "");
        }
    }

    static std::int64_t idFor(Action action) { return 2 + static_cast<int>(action); }
    int row(Action action) const {
        return static_cast<int>(list.rowOf(idFor(action)).value_or(-1));
    }
    std::string moviePath() const { return dir.file("movies/Clip.flv"); }
    std::string mp3Path() const { return dir.file("music/Clip.mp3"); }

    // Whether the list did it to the action's own copy (Play and Show in
    // Folder: whether they have a file to open).
    bool act(Action action) {
        const std::int64_t id = idFor(action);
        switch (action) {
        case Action::Pause:
            return list.pause(id);
        case Action::Resume:
            return list.resume(id);
        case Action::Cancel:
            return list.cancel(id);
        case Action::Retry:
            return list.retry(id);
        case Action::Clear:
            return list.clear(id);
        case Action::Convert:
            return list.convert(id);
        case Action::Play:
            return !model.mediaPath(row(action)).empty();
        case Action::ShowFolder:
            return !model.folderOf(row(action)).empty();
        case Action::MoveUp:
            return list.moveUp(id);
        case Action::MoveDown:
            return list.moveDown(id);
        case Action::MoveToTop:
            return list.moveToTop(id);
        case Action::StartNow:
            return list.startNow(id);
        }
        return false;
    }

    bool reached = true;
    TempFolder dir;
    TransferStore store{dir.file("transfers.sqlite")};
    std::vector<std::unique_ptr<Job>> jobs;
    TransferList list{
        &store, [this](std::unique_ptr<Job> job) { jobs.push_back(std::move(job)); }, nullptr,
        [this] {
            return TransferList::JobSettings{4, dir.file("movies"), dir.file("music"), true};
        }};
    TransferModel model{list};

private:
    void tell(const Job& job, JobEvent::Kind kind, std::string text = {}) {
        JobEvent event;
        event.id = job.reporter().id();
        event.kind = kind;
        event.text = std::move(text);
        list.apply(event);
    }
};

std::vector<Action> offered(const Copies& at) {
    std::vector<Action> all;
    for (Action action : allActions)
        if (at.model.applies(action, at.row(action)))
            all.push_back(action);
    return all;
}

std::vector<Action> offered(TransferState state, TransferKind kind, bool movie, bool mp3) {
    return offered(Copies(state, kind, movie, mp3));
}

} // namespace

// Every state, for either kind of job, with and without a saved movie and
// MP3: the menu offers an action exactly where the list then carries it
// out, and whatever the list accepts changes the row.
TEST(TransferActions, TheMenuOffersExactlyWhatTheListDoes) {
    using State = TransferState;
    using K = TransferKind;
    int walked = 0;
    for (State state : {State::Queued, State::Running, State::Paused, State::Converting,
                        State::Done, State::Failed, State::Cancelled, State::Interrupted})
        for (K kind : {K::Download, K::Conversion})
            for (bool movie : {false, true})
                for (bool mp3 : {false, true}) {
                    Copies at(state, kind, movie, mp3);
                    // A conversion never runs as a download.
                    if (!at.reached)
                        continue;
                    bool pause = false, resume = false;
                    for (Action action : allActions) {
                        ++walked;
                        SCOPED_TRACE(::testing::Message()
                                     << "state " << int(state) << ", kind " << int(kind)
                                     << ", movie " << movie << ", mp3 " << mp3 << ", action "
                                     << int(action));
                        const int row = at.row(action);
                        const bool offers = at.model.applies(action, row);
                        const State before = at.list.at(row).state;
                        const bool did = at.act(action);
                        EXPECT_EQ(offers, did);
                        const bool moves = action == Action::MoveUp || action == Action::MoveDown ||
                                           action == Action::MoveToTop;
                        if (did && moves) {
                            EXPECT_NE(at.row(action), row);
                        } else if (did && action != Action::Play && action != Action::ShowFolder) {
                            EXPECT_TRUE(at.row(action) < 0 ||
                                        at.list.at(at.row(action)).state != before);
                        }
                        pause = pause || (offers && action == Action::Pause);
                        resume = resume || (offers && action == Action::Resume);
                    }
                    // Space pauses what may pause and resumes what may resume.
                    EXPECT_FALSE(pause && resume);
                }
    EXPECT_EQ(walked, (64 - 4) * 12) << "all but a conversion running as a download";

    using A = std::vector<Action>;
    // A saved movie whose conversion has not started would start over.
    EXPECT_EQ(offered(State::Running, K::Download, true, false),
              (A{Action::Cancel, Action::Play, Action::ShowFolder}));
    EXPECT_EQ(offered(State::Running, K::Download, false, false),
              (A{Action::Pause, Action::Cancel}));
    EXPECT_EQ(offered(State::Converting, K::Conversion, true, false),
              (A{Action::Cancel, Action::Play, Action::ShowFolder}));
    // A waiting conversion can be held, moved among the queued ones or
    // started now; an interrupted transfer is stopped already and continues
    // or goes.
    EXPECT_EQ(offered(State::Queued, K::Conversion, true, false),
              (A{Action::Pause, Action::Cancel, Action::Play, Action::ShowFolder, Action::MoveUp,
                 Action::MoveDown, Action::MoveToTop, Action::StartNow}));
    EXPECT_EQ(offered(State::Interrupted, K::Download, false, false),
              (A{Action::Resume, Action::Cancel}));
    EXPECT_EQ(offered(State::Paused, K::Download, false, false),
              (A{Action::Resume, Action::Cancel}));
    EXPECT_EQ(offered(State::Failed, K::Download, false, false), (A{Action::Retry, Action::Clear}));
    EXPECT_EQ(offered(State::Done, K::Download, true, false),
              (A{Action::Clear, Action::Convert, Action::Play, Action::ShowFolder}));
    EXPECT_EQ(offered(State::Done, K::Conversion, true, true),
              (A{Action::Clear, Action::Play, Action::ShowFolder}));

    // Play takes the movie, or the MP3 when there is no movie.
    const Copies both(State::Done, K::Conversion, true, true);
    EXPECT_EQ(both.model.mediaPath(0), both.moviePath());
    EXPECT_EQ(both.model.folderOf(0), both.dir.file("movies"));
    const Copies song(State::Done, K::Conversion, false, true);
    EXPECT_EQ(song.model.mediaPath(0), song.mp3Path());
    EXPECT_FALSE(song.model.applies(Action::Clear, static_cast<int>(std::size(allActions))))
        << "no such row";
}

// A finished transfer whose files were moved or deleted says so once the
// list looks again (or at the next start), and offers Retry, a new download,
// instead of Play; with its MP3 left, that plays.
TEST(TransferActions, ARowWhoseFileIsGoneSaysSoAndIsFetchedAgain) {
    using A = std::vector<Action>;
    Copies at(TransferState::Done, TransferKind::Conversion, true, true);
    std::filesystem::remove(at.moviePath());
    at.list.checkFiles();
    EXPECT_EQ(offered(at), (A{Action::Clear, Action::Play, Action::ShowFolder}));
    EXPECT_EQ(at.model.mediaPath(0), at.mp3Path());
    std::filesystem::remove(at.mp3Path());
    QSignalSpy changed(&at.model, &QAbstractItemModel::dataChanged);
    at.list.checkFiles();
    EXPECT_EQ(changed.count(), static_cast<int>(std::size(allActions)));
    EXPECT_EQ(at.model.index(0, TransferModel::StatusColumn).data(), "File moved or deleted");
    EXPECT_EQ(offered(at), (A{Action::Retry, Action::Clear}));
    ASSERT_TRUE(at.list.retry(Copies::idFor(Action::Retry)));
    EXPECT_NE(dynamic_cast<const DownloadJob*>(at.jobs.back().get()), nullptr);
    TransferList again(
        &at.store, [](std::unique_ptr<Job>) {}, nullptr, nullptr);
    again.restore();
    EXPECT_TRUE(again.filesGone(0));
}

TEST_F(TransferModelTest, BarsArePaintedWithoutWidgetsAndTipsShowOnlyCutText) {
    list.add("http://127.0.0.1:1/watch", "Short");
    list.add("http://127.0.0.1:1/watch", std::string(120, 'W'));
    tell(0, Kind::Progress, {}, 30, 100);
    QTreeView view;
    view.setModel(&model);
    auto* delegate = new ProgressDelegate(&view); // owned by the view
    view.setItemDelegate(delegate);
    view.setColumnWidth(TransferModel::TitleColumn, 120);
    view.resize(700, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view, 60000));
    EXPECT_FALSE(view.grab().isNull());
    EXPECT_EQ(view.indexWidget(model.index(0, TransferModel::ProgressColumn)), nullptr);

    auto tipAt = [&](int row) {
        QToolTip::hideText();
        const QModelIndex index = model.index(row, TransferModel::TitleColumn);
        const QRect rect = view.visualRect(index);
        QHelpEvent event(QEvent::ToolTip, rect.center(),
                         view.viewport()->mapToGlobal(rect.center()));
        QStyleOptionViewItem option;
        option.initFrom(&view);
        option.rect = rect;
        delegate->helpEvent(&event, &view, option, index);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(0), "");
    EXPECT_EQ(tipAt(1), QString(120, 'W'));
    QToolTip::hideText();
}
