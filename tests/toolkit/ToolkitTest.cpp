// Text conversion, the message box sink, finding controls by name and the
// list view rows on real widgets, offscreen.
#include "ControlFinder.h"
#include "ListView.h"
#include "MessageBox.h"
#include "Text.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

TEST(Text, RoundTripsUtf8) {
    const std::string title = "Caf\xC3\xA9 \xE2\x99\xAB \xF0\x9F\x8E\xB5 ; | \"x\"";
    const QString shown = wide(title);
    EXPECT_EQ(shown, QString::fromUtf8("Café ♫ 🎵 ; | \"x\""));
    EXPECT_EQ(narrow(shown), title);
    EXPECT_EQ(wide(static_cast<const char*>(nullptr)), QString());
    EXPECT_EQ(narrow(QString()), std::string());
    // Embedded NUL bytes survive the std::string overload.
    EXPECT_EQ(wide(std::string("a\0b", 3)).size(), 3);
}

TEST(MessageBoxSink, CapturesTextsAndRestores) {
    QStringList shown;
    MessageBox::Sink previous = MessageBox::setSink([&](const QString& text) { shown << text; });
    MessageBox::show(QStringLiteral("first"));
    MessageBox::show(QStringLiteral("second"));
    EXPECT_EQ(shown, QStringList({"first", "second"}));

    MessageBox::Sink mine = MessageBox::setSink(previous);
    ASSERT_TRUE(static_cast<bool>(mine));
    mine(QStringLiteral("third"));
    EXPECT_EQ(shown.size(), 3);
}

TEST(ControlFinder, LooksThroughTabPagesGroupBoxesAndTheCentralWidget) {
    QMainWindow window;
    auto* tabs = new QTabWidget;
    tabs->setObjectName("tabs");
    window.setCentralWidget(tabs);

    auto* page = new QWidget;
    page->setObjectName("settingsTab");
    auto* box = new QGroupBox(page);
    box->setObjectName("downloadsGroup");
    auto* inner = new QPushButton(box);
    inner->setObjectName("movieBrowseButton");
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(inner);
    tabs->addTab(page, "Settings");

    auto* page2 = new QWidget;
    page2->setObjectName("searchTab");
    auto* split = new QSplitter(page2);
    split->setObjectName("searchSplitter");
    auto* left = new QLabel("left");
    left->setObjectName("instructions");
    split->addWidget(left);
    tabs->addTab(page2, "Search");

    EXPECT_EQ(findControl(&window, "tabs"), tabs);
    EXPECT_EQ(findControl(tabs, "settingsTab"), page);
    EXPECT_EQ(findControl(tabs, "searchTab"), page2);
    EXPECT_EQ(findControl(page, "downloadsGroup"), box);
    EXPECT_EQ(findControl(box, "movieBrowseButton"), inner);
    EXPECT_EQ(
        findControlPath(&window, {"tabs", "settingsTab", "downloadsGroup", "movieBrowseButton"}),
        inner);
    EXPECT_EQ(findControlPath(tabs, {"searchTab", "searchSplitter", "instructions"}), left);
    EXPECT_EQ(findControlAs<QPushButton>(box, "movieBrowseButton"), inner);
    EXPECT_EQ(findControlAs<QLabel>(box, "movieBrowseButton"), nullptr);

    // One level at a time: a named container hides what it holds.
    EXPECT_EQ(findControl(tabs, "downloadsGroup"), nullptr);
    EXPECT_EQ(findControl(page, "movieBrowseButton"), nullptr);
    EXPECT_EQ(findControlPath(&window, {"tabs", "missing", "downloadsGroup"}), nullptr);
    EXPECT_EQ(findControl(nullptr, "settingsTab"), nullptr);
    EXPECT_EQ(findControl(tabs, QString()), nullptr);
}

class ListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(700, 300);
        view = ListView::create(&host, "transferList",
                                {{"Title", 300}, {"Progress", 200}, {"Status", 150}});
        view->resize(700, 300);
        host.show();
    }
    QWidget host;
    QTreeWidget* view = nullptr;
};

TEST_F(ListViewTest, RowsKeepCellsBeyondTheVisibleColumns) {
    QTreeWidget* library = ListView::create(&host, "libraryList", {{"Title", 300}, {"Type", 80}});
    EXPECT_EQ(ListView::addRow(library, {"Song", "mp3", "/music"}), 0);
    EXPECT_EQ(ListView::addRow(library, {"Clip", "mp4"}), 1);

    EXPECT_EQ(library->columnCount(), 2);
    EXPECT_EQ(library->header()->count(), 2);
    EXPECT_EQ(ListView::rowCount(library), 2);
    EXPECT_EQ(ListView::cellCount(library, 0), 3);
    EXPECT_EQ(ListView::cellCount(library, 1), 2);
    EXPECT_EQ(ListView::cellText(library, 0, 2), "/music");
    EXPECT_EQ(library->topLevelItem(0)->text(1), "mp3");
    EXPECT_EQ(ListView::cellText(library, 1, 2), QString());

    ListView::setCellText(library, 1, 2, "/movies");
    EXPECT_EQ(ListView::cellCount(library, 1), 3);
    EXPECT_EQ(ListView::cellText(library, 1, 2), "/movies");
    EXPECT_EQ(library->columnCount(), 2);

    // Out of range asks change nothing and answer empty.
    ListView::setCellText(library, 5, 0, "x");
    EXPECT_EQ(ListView::cellText(library, 5, 0), QString());
    EXPECT_EQ(ListView::cellCount(library, -1), 0);
    ListView::removeRow(library, 7);
    EXPECT_EQ(ListView::rowCount(library), 2);
}

TEST_F(ListViewTest, RowsRemoveAndHitTest) {
    for (const char* title : {"a", "b", "c"})
        ListView::addRow(view, {title, "", "processing..."});
    ListView::setCellText(view, 1, 2, "Download Complete!");
    EXPECT_EQ(view->topLevelItem(1)->text(2), "Download Complete!");

    const QRect second = ListView::rowBounds(view, 1);
    ASSERT_TRUE(second.isValid());
    EXPECT_GE(second.width(), 300 + 200 + 150 - 1);
    EXPECT_EQ(ListView::rowAt(view, second.center()), 1);
    // Right of the last column still hits the row.
    EXPECT_EQ(ListView::rowAt(view, QPoint(680, second.center().y())), 1);
    EXPECT_EQ(ListView::rowAt(view, QPoint(10, 290)), -1);

    const QRect cell = ListView::cellBounds(view, 1, 1);
    EXPECT_EQ(cell.left(), 300);
    EXPECT_EQ(cell.width(), 200);
    EXPECT_EQ(cell.top(), second.top());

    ListView::removeRow(view, 0);
    EXPECT_EQ(ListView::rowCount(view), 2);
    EXPECT_EQ(ListView::cellText(view, 0, 0), "b");
    EXPECT_EQ(ListView::cellText(view, 0, 2), "Download Complete!");
}

TEST_F(ListViewTest, CellWidgetFollowsItsRowAndGoesWithIt) {
    QPointer<QProgressBar> bars[3];
    for (int i = 0; i < 3; ++i) {
        ListView::addRow(view, {QString::number(i), "", ""});
        bars[i] = new QProgressBar;
        ListView::setCellWidget(view, i, 1, bars[i]);
    }
    EXPECT_EQ(ListView::cellWidget(view, 2, 1), bars[2]);
    EXPECT_EQ(ListView::cellWidget(view, 2, 0), nullptr);

    ListView::removeRow(view, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(bars[0].isNull());
    EXPECT_EQ(ListView::cellWidget(view, 0, 1), bars[1]);
    EXPECT_EQ(ListView::cellWidget(view, 1, 1), bars[2]);

    // Once laid out, the bar sits over its cell.
    view->doItemsLayout();
    QCoreApplication::processEvents();
    const QRect cell = ListView::cellBounds(view, 1, 1);
    EXPECT_TRUE(cell.intersects(bars[2]->geometry()));
}
