// quillmoth-bench-filter ROWS RUNS: types a title into My Library's filter
// box over ROWS rows, one character at a time, RUNS times, on the real tab
// shown offscreen. Prints key=value lines; ms lists every key press (the
// filter and the repaint it causes).
#include "app/window/LibraryTab.h"
#include "library/Library.h"

#include <QApplication>
#include <QLineEdit>
#include <QTreeView>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: quillmoth-bench-filter ROWS RUNS\n", stderr);
        return 2;
    }
    const int rows = std::atoi(argv[1]);
    const int runs = std::atoi(argv[2]);
    const QStringList words = {"Café", "Night", "Über", "Dance", "Live", "Årets", "Remix", "Jazz"};

    Library library;
    for (int row = 0; row < rows; ++row)
        library.add((words[row % words.size()] + QStringLiteral(" session ") +
                     QString::number(row) + QStringLiteral(" ") + words[(row / 8) % words.size()])
                        .toStdString(),
                    "mp3", "/music");
    LibraryTab tab;
    tab.setLibrary(&library);
    tab.resize(1280, 720);
    tab.show();
    QApplication::processEvents();

    const QString typed = QStringLiteral("cafe session 12");
    std::printf("ms=");
    bool first = true;
    for (int run = 0; run < runs; ++run) {
        tab.filterBox()->clear();
        QApplication::processEvents();
        for (int length = 1; length <= typed.size(); ++length) {
            const auto began = std::chrono::steady_clock::now();
            tab.filterBox()->setText(typed.left(length));
            tab.list()->viewport()->repaint();
            QApplication::processEvents();
            const auto spent = std::chrono::steady_clock::now() - began;
            std::printf("%s%.3f", first ? "" : ",",
                        std::chrono::duration<double, std::milli>(spent).count());
            first = false;
        }
    }
    std::printf("\nrows=%d\nshown=%d\n", rows, tab.list()->model()->rowCount());
    return 0;
}
