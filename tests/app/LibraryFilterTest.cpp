// My Library's filter box: rows by title, blind to case and accents.
#include "Library.h"
#include "LibraryTab.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

QStringList shownTitles(const LibraryTab& tab) {
    QStringList titles;
    const QAbstractItemModel* shown = tab.list()->model();
    for (int row = 0; row < shown->rowCount(); ++row)
        titles << shown->index(row, Library::TitleColumn).data().toString();
    return titles;
}

} // namespace

TEST(LibraryFilter, FiltersByTitleBlindToCaseAndAccentsAndEscClearsIt) {
    Library library;
    LibraryTab tab;
    tab.setLibrary(&library);
    for (const char* title : {"Café del Mar", "CAFE RACER", "Old Times", "Ｃafé ﬁlm"})
        library.add(title, "mp3", "/music");
    tab.list()->selectionModel()->select(tab.list()->model()->index(2, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ASSERT_EQ(tab.chosenRow(), 2);

    QTest::keyClicks(tab.filterBox(), "cafe");
    EXPECT_EQ(shownTitles(tab), QStringList({"Café del Mar", "CAFE RACER", "Ｃafé ﬁlm"}));
    EXPECT_EQ(tab.chosenRow(), -1) << "a hidden row is no longer selected";
    QTest::keyClicks(tab.filterBox(), " fil");
    EXPECT_EQ(shownTitles(tab), QStringList({"Ｃafé ﬁlm"}));
    // The shown row stands for its own file.
    tab.list()->selectionModel()->select(tab.list()->model()->index(0, 0),
                                         QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(tab.chosenRow(), 3);

    // A row saved meanwhile follows the filter.
    library.add("Jazz", "mp3", "/music");
    library.add("cafe FILM 2", "mp3", "/music");
    EXPECT_EQ(shownTitles(tab), QStringList({"Ｃafé ﬁlm", "cafe FILM 2"}));
    // Nothing matching is the filter's doing, and said so.
    QTest::keyClicks(tab.filterBox(), "x");
    auto* hint = tab.list()->viewport()->findChild<QLabel*>("emptyHint");
    ASSERT_NE(hint, nullptr);
    EXPECT_FALSE(hint->isHidden());
    EXPECT_EQ(hint->text(), "No title matches the filter");

    // Esc clears it; Ctrl+F comes back to it from the list.
    tab.show();
    QApplication::setActiveWindow(&tab);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tab, 60000));
    tab.filterBox()->setFocus();
    QTest::keyClick(tab.filterBox(), Qt::Key_Escape);
    EXPECT_EQ(shownTitles(tab).size(), 6);
    EXPECT_TRUE(hint->isHidden());
    tab.list()->setFocus();
    QTest::keyClick(tab.list(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(tab.filterBox()->hasFocus());
}
