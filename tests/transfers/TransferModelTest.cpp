// The Transfers tab's model over the real list, whose jobs are kept instead
// of run so that their events are told by hand.
#include "TransferModel.h"
#include "Job.h"
#include "ProgressDelegate.h"

#include <QAbstractItemModelTester>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QTreeView>

#include <gtest/gtest.h>

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
    std::vector<Action> applying(int row) const {
        std::vector<Action> all;
        for (Action action : {Action::Pause, Action::Resume, Action::Cancel, Action::Retry,
                              Action::Clear, Action::Convert, Action::Play, Action::ShowFolder})
            if (model.applies(action, row))
                all.push_back(action);
        return all;
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
    EXPECT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.headerData(TransferModel::SpeedColumn, Qt::Horizontal), "Speed");
    EXPECT_EQ(cell(1, TransferModel::TitleColumn), "Second");
    EXPECT_EQ(cell(1, TransferModel::TitleColumn, Qt::ToolTipRole), "Second");
    EXPECT_TRUE(bar(0).busy()) << "running, its size unknown";

    tell(0, Kind::Status, "Downloading... [Patience]");
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
    tell(0, Kind::Finished, "Download Complete!");
    EXPECT_EQ(bar(0).value, bar(0).maximum);
    view.setCurrentIndex(model.index(0, 0));
    EXPECT_EQ(list.clear(model.idAt(0)), TransferList::Done::Ok);
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(view.currentIndex().row(), 0) << "the current row moves on";
    EXPECT_EQ(cell(1, TransferModel::TitleColumn), "Third");
    EXPECT_TRUE(cell(1, TransferModel::SpeedColumn).contains("/s"));

    // Its job ended: no speed, at once, and the bar full.
    tell(1, Kind::Failed, "Error: Could not save movie.");
    EXPECT_EQ(cell(1, TransferModel::SpeedColumn), "");
    EXPECT_EQ(cell(1, TransferModel::StatusColumn), "Error: Could not save movie.");
    EXPECT_EQ(bar(1).maximum, 100000) << "a failed bar keeps where its bytes got";

    // Without a title yet, the address stands in.
    list.add("http://127.0.0.1:1/untitled", "");
    EXPECT_EQ(cell(2, TransferModel::TitleColumn), "http://127.0.0.1:1/untitled");
}

// A conversion's row shows how much of the sound ffmpeg has made MP3 and the
// time it still needs, as a download's shows its bytes.
TEST_F(TransferModelTest, AConversionShowsItsPercentageAndTimeLeft) {
    list.add("http://127.0.0.1:1/watch", "Song");
    tell(0, Kind::Saved, "Song.flv");
    tell(0, Kind::Finished);
    ASSERT_EQ(list.convert(model.idAt(0)), TransferList::Done::Ok);
    tell(0, Kind::Converting, "Converting to mp3...");
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
    tell(0, Kind::Finished, "Complete! Thank you for using Quillmoth.");
    EXPECT_EQ(cell(0, TransferModel::SpeedColumn), "");
    EXPECT_EQ(bar(0).value, bar(0).maximum);
}

TEST_F(TransferModelTest, EachActionAppliesOnlyWhereItDoesSomething) {
    list.setMaxRunning(1);
    for (const char* title : {"Running", "Queued", "Paused", "Failed", "Done", "Converted"})
        list.add("http://127.0.0.1:1/watch", title);
    list.pause(model.idAt(2));
    tell(0, Kind::Progress, {}, 10, 100);
    // Queued again behind the last three, which start while it waits.
    list.cancel(model.idAt(1));
    list.retry(model.idAt(1));
    list.setMaxRunning(4);
    list.setMaxRunning(1);
    tell(3, Kind::Failed, "Error: Could not save movie.");
    tell(4, Kind::Saved, "Done.mp4");
    tell(4, Kind::Finished);
    tell(5, Kind::Saved, "Converted.flv");
    tell(5, Kind::Saved, "Converted.mp3");
    tell(5, Kind::Finished);

    using A = std::vector<Action>;
    EXPECT_EQ(applying(0), (A{Action::Pause, Action::Cancel}));
    EXPECT_EQ(applying(1), (A{Action::Pause, Action::Cancel}));
    EXPECT_EQ(applying(2), (A{Action::Resume, Action::Cancel}));
    EXPECT_EQ(applying(3), (A{Action::Retry, Action::Clear}));
    EXPECT_EQ(applying(4), (A{Action::Clear, Action::Convert, Action::Play, Action::ShowFolder}));
    EXPECT_EQ(applying(5), (A{Action::Clear, Action::Play, Action::ShowFolder}));
    EXPECT_EQ(applying(6), A{}) << "no such row";

    // Play takes the movie, or the MP3 when there is no movie.
    EXPECT_EQ(model.mediaPath(4), "/films/Done.mp4");
    EXPECT_EQ(model.folderOf(4), "/films");
    EXPECT_EQ(model.mediaPath(0), "");
    EXPECT_EQ(model.mediaPath(5), "/films/Converted.flv");
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
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
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
