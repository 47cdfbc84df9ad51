// quillmoth-bench-library MOVIES MUSIC RUNS: times Library::show over the
// two folders, RUNS times, on the list the My Library tab builds.
// Prints key=value lines; ms lists every run.
#include "Library.h"
#include "LibraryView.h"

#include <QApplication>
#include <QTreeWidget>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fputs("usage: quillmoth-bench-library MOVIES MUSIC RUNS\n", stderr);
        return 2;
    }
    const std::string movies = argv[1];
    const std::string music = argv[2];
    const int runs = std::atoi(argv[3]);

    QWidget window;
    QTreeWidget* view = LibraryView::build(&window);
    Library library(view);
    std::printf("ms=");
    for (int run = 0; run < runs; ++run) {
        library.clear();
        QApplication::processEvents();
        const auto began = std::chrono::steady_clock::now();
        library.show(movies, music);
        const auto spent = std::chrono::steady_clock::now() - began;
        std::printf("%s%.2f", run ? "," : "",
                    std::chrono::duration<double, std::milli>(spent).count());
    }
    std::printf("\nrows=%d\n", view->topLevelItemCount());
    return 0;
}
