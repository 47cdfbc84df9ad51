// The Transfers and Library tabs' menus: the keys they show, Shift+F10
// opening them where the Menu key does, and a question before clearing rows.
#include "Job.h"
#include "Library.h"
#include "LibraryTab.h"
#include "MessageBox.h"
#include "TransferList.h"
#include "TransferModel.h"
#include "TransfersTab.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <vector>

namespace {

// Four transfers over kept jobs: two failed (their part files kept), two
// finished.
class TransferMenus : public ::testing::Test {
protected:
    TransferMenus() {
        list.setMaxRunning(4);
        for (const char* title : {"One", "Two", "Three", "Four"})
            list.add("http://127.0.0.1:9/watch", title);
        for (int job = 1; job <= 4; ++job) {
            JobEvent event;
            event.id = job;
            event.kind = job <= 2 ? JobEvent::Kind::Failed : JobEvent::Kind::Finished;
            event.reason = job <= 2 ? Reason::SaveFailed : Reason::Downloaded;
            list.apply(event);
        }
        tab.setModel(&model);
    }
    ~TransferMenus() override { MessageBox::setAsker({}); }

    void select(std::initializer_list<int> rows) {
        QItemSelectionModel* selection = tab.list()->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(model.index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    std::vector<std::unique_ptr<Job>> kept;
    TransferList list{nullptr, [this](std::unique_ptr<Job> job) { kept.push_back(std::move(job)); },
                      nullptr, nullptr};
    TransferModel model{list};
    TransfersTab tab;
};

// The key an action's menu entry shows, when it shows one.
QKeySequence shown(const QAction* action) {
    return action->isShortcutVisibleInContextMenu() ? action->shortcut() : QKeySequence();
}

} // namespace

TEST_F(TransferMenus, ShowTheListsKeysAndOpenWithShiftF10) {
    LibraryTab library;
    EXPECT_EQ(shown(tab.pauseAction()), QKeySequence(Qt::Key_Space));
    EXPECT_EQ(shown(tab.resumeAction()), QKeySequence(Qt::Key_Space));
    EXPECT_EQ(shown(tab.clearAction()), QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(shown(tab.playAction()), QKeySequence(Qt::Key_Return));
    EXPECT_EQ(shown(library.playAction()), QKeySequence(Qt::Key_Return));

    // Shown, the keys still act once each, through the list's own handling.
    tab.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tab));
    select({0});
    QSignalSpy spaced(&tab, &TransfersTab::pauseOrResumeKey);
    QSignalSpy cleared(tab.clearAction(), &QAction::triggered);
    QTest::keyClick(tab.list(), Qt::Key_Space);
    QTest::keyClick(tab.list(), Qt::Key_Delete);
    EXPECT_EQ(spaced.count(), 1);
    EXPECT_EQ(cleared.count(), 1);

    // Shift+F10 opens the menu at the current row.
    tab.list()->setCurrentIndex(model.index(1, 0));
    QTest::keyClick(tab.list(), Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_TRUE(tab.menu()->isVisible());
    const QRect row = tab.list()->visualRect(model.index(1, 0));
    EXPECT_EQ(tab.menu()->pos(), tab.list()->viewport()->mapToGlobal(row.center()));
    tab.menu()->hide();
    library.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&library));
    QTest::keyClick(library.list(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(library.menu()->isVisible());
    library.menu()->hide();
}

TEST_F(TransferMenus, ClearingSeveralRowsAsksFirst) {
    QStringList asked;
    QMessageBox::StandardButton answer = QMessageBox::Cancel;
    MessageBox::setAsker([&](const QString& text, QMessageBox::StandardButtons) {
        asked << text;
        return answer;
    });
    select({0});
    EXPECT_EQ(tab.chosenToClear(), std::vector<std::int64_t>({list.at(0).id}));
    EXPECT_TRUE(asked.isEmpty()) << "one row goes without a question";

    select({0, 1, 2});
    EXPECT_TRUE(tab.chosenToClear().empty());
    select({2, 3});
    answer = QMessageBox::Discard;
    EXPECT_EQ(tab.chosenToClear(), std::vector<std::int64_t>({list.at(2).id, list.at(3).id}));
    EXPECT_EQ(asked, QStringList({"Clear 3 transfers? Their part files are removed.",
                                  "Clear 2 transfers? Their saved files stay where they are."}));
}
