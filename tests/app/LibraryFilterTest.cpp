// My Library's filter box: rows by title, blind to case and accents.
#include "LibraryTab.h"
#include "ListView.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QStringList shownTitles(const LibraryTab& tab) {
    QStringList titles;
    for (int row = 0; row < tab.list()->topLevelItemCount(); ++row)
        if (!tab.list()->topLevelItem(row)->isHidden())
            titles << tab.list()->topLevelItem(row)->text(0);
    return titles;
}

} // namespace

TEST(LibraryFilter, FiltersByTitleBlindToCaseAndAccentsAndEscClearsIt) {
    LibraryTab tab;
    for (const char* title : {"Café del Mar", "CAFE RACER", "Old Times", "Ｃafé ﬁlm"})
        ListView::addRow(tab.list(), {QString::fromUtf8(title), "mp3", "/music"});
    tab.list()->topLevelItem(2)->setSelected(true);

    QTest::keyClicks(tab.filterBox(), "cafe");
    EXPECT_EQ(shownTitles(tab), QStringList({"Café del Mar", "CAFE RACER", "Ｃafé ﬁlm"}));
    EXPECT_EQ(tab.chosenRow(), -1) << "a hidden row is no longer selected";
    QTest::keyClicks(tab.filterBox(), " fil");
    EXPECT_EQ(shownTitles(tab), QStringList({"Ｃafé ﬁlm"}));

    // A row saved meanwhile follows the filter.
    ListView::addRow(tab.list(), {"Jazz", "mp3", "/music"});
    ListView::addRow(tab.list(), {"cafe FILM 2", "mp3", "/music"});
    EXPECT_EQ(shownTitles(tab), QStringList({"Ｃafé ﬁlm", "cafe FILM 2"}));

    // Esc clears it; Ctrl+F comes back to it from the list.
    tab.show();
    QApplication::setActiveWindow(&tab);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tab));
    tab.filterBox()->setFocus();
    QTest::keyClick(tab.filterBox(), Qt::Key_Escape);
    EXPECT_EQ(shownTitles(tab).size(), 6);
    tab.list()->setFocus();
    QTest::keyClick(tab.list(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(tab.filterBox()->hasFocus());
}
