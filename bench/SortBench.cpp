// quillmoth-bench-sort ROWS RUNS: sorts the Transfers tab over ROWS rows by
// each column, ascending and descending, RUNS times, on the real tab shown
// offscreen, and sums the transfers up as the title bar does after every
// row's change. Prints key=value lines: sort_ms lists every header click (the
// sort and the repaint it causes), summary_us every summing up.
#include "Job.h"
#include "TransferList.h"
#include "TransferModel.h"
#include "TransfersSummary.h"
#include "TransfersTab.h"

#include <QApplication>
#include <QHeaderView>
#include <QTreeView>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: quillmoth-bench-sort ROWS RUNS\n", stderr);
        return 2;
    }
    const int rows = std::atoi(argv[1]);
    const int runs = std::atoi(argv[2]);
    const char* words[] = {"Café", "Night", "Über", "Dance", "Live", "Årets", "Remix", "Jazz"};

    // Held: every row waits, none starts; what is sorted is the rows.
    TransferList list(
        nullptr, [](std::unique_ptr<Job>) {}, nullptr, [] { return TransferList::JobSettings{}; });
    list.hold(true);
    for (int row = 0; row < rows; ++row)
        list.add("http://127.0.0.1:1/watch?v=" + std::to_string(row),
                 std::string(words[row % 8]) + " session " + std::to_string(row * 7919 % rows));
    TransferModel model(list);
    TransfersTab tab;
    tab.setModel(&model);
    tab.resize(1280, 720);
    tab.show();
    QApplication::processEvents();

    using Clock = std::chrono::steady_clock;
    std::printf("sort_ms=");
    bool first = true;
    for (int run = 0; run < runs; ++run)
        for (int column = 0; column < TransferModel::ColumnCount; ++column)
            for (Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
                const auto began = Clock::now();
                tab.list()->header()->setSortIndicator(column, order);
                tab.list()->viewport()->repaint();
                QApplication::processEvents();
                std::printf(
                    "%s%.3f", first ? "" : ",",
                    std::chrono::duration<double, std::milli>(Clock::now() - began).count());
                first = false;
            }
    std::printf("\nsummary_us=");
    first = true;
    int percent = 0;
    for (int run = 0; run < runs * 10; ++run) {
        const auto began = Clock::now();
        percent += TransfersSummary::of(list).percent();
        std::printf("%s%.1f", first ? "" : ",",
                    std::chrono::duration<double, std::micro>(Clock::now() - began).count());
        first = false;
    }
    std::printf("\nrows=%d\nshown=%d\npercent_sum=%d\n", rows, tab.list()->model()->rowCount(),
                percent);
    return 0;
}
