// main() of every GUI test executable: one QApplication for the whole run,
// offscreen, with the data folder in a temporary directory.
#include <QApplication>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

#include "ScopedDataHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu", 0);
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    // Names under .test reach the fixture server: a page may stand on a name not this machine's.
    const char* flags = std::getenv("QTWEBENGINE_CHROMIUM_FLAGS");
    setenv("QTWEBENGINE_CHROMIUM_FLAGS",
           (std::string(flags ? flags : "") + " --host-resolver-rules=\"MAP *.test 127.0.0.1\"")
               .c_str(),
           1);
    ScopedDataHome dataHome;

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
