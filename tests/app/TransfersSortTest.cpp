// The Transfers tab's header: sorting on raw values, kept in window.ini,
// the columns that tell rows apart, and why a row failed.
#include "WindowFixture.h"

#include "TransferHistory.h"

#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>

namespace {

void clickHeader(QTreeView* list, int column) {
    QHeaderView* header = list->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

TEST_F(WindowTest, TransfersSortOnRawValuesAndKeepTheChoice) {
    // One title three times: the size and the time added tell them apart.
    TransferRecord small = historyRecord(1, TransferState::Done, "Clip");
    small.received = small.total = 900;
    TransferRecord large = historyRecord(2, TransferState::Done, "Clip");
    large.received = large.total = 20'000'000;
    TransferRecord failed = historyRecord(3, TransferState::Failed, "Clip");
    failed.received = 5'000;
    failed.status = failed.error = Reason::SaveFailed;
    window.reset();
    keepHistory({small, large, failed});
    window = std::make_unique<quillmoth::MainWindow>();
    window->show();
    tabs()->setCurrentWidget(window->transfersTab());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ASSERT_EQ(transferRows(), 3);
    const QAbstractItemModel* shown = transferList()->model();
    const auto column = [&](int col, int role) {
        QVariantList values;
        for (int row = 0; row < shown->rowCount(); ++row)
            values << shown->data(shown->index(row, col), role);
        return values;
    };
    EXPECT_EQ(column(TransferModel::SizeColumn, TransferModel::SortRole),
              QVariantList({900LL, 20'000'000LL, 5'000LL}));
    EXPECT_EQ(transferCell(2, TransferModel::SizeColumn), "5.0 kB") << "so far, of a size unknown";
    EXPECT_FALSE(transferCell(0, TransferModel::AddedColumn).isEmpty());

    // By size, not by its text ("20.0 MB" before "900 bytes"); the arrow
    // shows the order, and a third click brings back the list's own.
    QHeaderView* header = transferList()->header();
    clickHeader(transferList(), TransferModel::SizeColumn);
    EXPECT_EQ(column(TransferModel::SizeColumn, TransferModel::SortRole),
              QVariantList({900LL, 5'000LL, 20'000'000LL}));
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), TransferModel::SizeColumn);
    clickHeader(transferList(), TransferModel::SizeColumn);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(column(TransferModel::SizeColumn, TransferModel::SortRole).value(0), 20'000'000LL);
    // The menu acts on the row the user sees.
    transferList()->selectionModel()->select(shown->index(0, 0), QItemSelectionModel::Select |
                                                                     QItemSelectionModel::Rows);
    EXPECT_EQ(window->transfersTab()->chosen(TransfersTab::Action::Clear),
              std::vector<std::int64_t>({2}));

    // The failed row shows the desktop's error icon, its reason as the tip.
    const QModelIndex status = shown->index(1, TransferModel::StatusColumn);
    EXPECT_FALSE(shown->data(status, Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_EQ(shown->data(status, Qt::ToolTipRole).toString(), "Error: Could not save movie.");

    // The next start sorts as this one was left.
    window->close();
    window = std::make_unique<quillmoth::MainWindow>();
    window->show();
    tabs()->setCurrentWidget(window->transfersTab());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    shown = transferList()->model();
    EXPECT_EQ(transferList()->header()->sortIndicatorSection(), TransferModel::SizeColumn);
    EXPECT_EQ(column(TransferModel::SizeColumn, TransferModel::SortRole),
              QVariantList({20'000'000LL, 5'000LL, 900LL}));
    clickHeader(transferList(), TransferModel::SizeColumn);
    EXPECT_EQ(transferList()->header()->sortIndicatorSection(), -1);
    EXPECT_EQ(column(TransferModel::SizeColumn, TransferModel::SortRole),
              QVariantList({900LL, 20'000'000LL, 5'000LL}));
}
