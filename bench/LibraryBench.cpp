// quillmoth-bench-library MOVIES MUSIC RUNS: times Library::listFolders over
// the two folders, RUNS times, with a view over the model as in the My
// Library tab. Prints key=value lines; ms lists every run.
#include "library/Library.h"

#include <QApplication>
#include <QTreeView>

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

    Library library;
    QTreeView view;
    view.setModel(&library);
    std::printf("ms=");
    for (int run = 0; run < runs; ++run) {
        library.clear();
        QApplication::processEvents();
        const auto began = std::chrono::steady_clock::now();
        library.listFolders(movies, music);
        const auto spent = std::chrono::steady_clock::now() - began;
        std::printf("%s%.2f", run ? "," : "",
                    std::chrono::duration<double, std::milli>(spent).count());
    }
    std::printf("\nrows=%d\n", library.rowCount());
    return 0;
}
