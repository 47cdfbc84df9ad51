#pragma once

#include "DownloadItems.h"
#include "Downloads.h"
#include "ListView.h"
#include "MessageBox.h"
#include "Settings.h"
#include "Text.h"
#include "core.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// A transfer list, a library list, a settings store and a Downloads whose
// jobs are kept instead of run, so the queues can be fed by hand.
class TransfersTest : public ::testing::Test {
protected:
    void SetUp() override {
        drainQueues();
        MessageBox::setSink([this](const QString& text) { messages << text; });
        window = std::make_unique<QWidget>();
        transfers = ListView::create(window.get(), "listView1",
                                     {{"Title", 300}, {"Progress", 200}, {"Status", 300}});
        library = ListView::create(window.get(), "listView2", {{"Title", 300}, {"Type", 80}});
        settingsTab = new QWidget(window.get()); // owned by the window
        settings = std::make_unique<Settings>(settingsTab, library);
        // Whatever the folders held is not what these tests look at.
        while (ListView::rowCount(library) > 0)
            ListView::removeRow(library, 0);
        downloads = std::make_unique<Downloads>(transfers, library, settings.get());
        downloads->setWorkerStarter(
            [this](std::unique_ptr<core> job) { kept.push_back(std::move(job)); });
        messages.clear();
    }

    void TearDown() override {
        downloads.reset();
        settings.reset();
        window.reset();
        MessageBox::setSink({});
        drainQueues();
    }

    static void drainQueues() {
        Downloads::updates.clear();
        Downloads::dls.clear();
    }

    // Applies every queued report, one tick per status text.
    void tickAll() {
        while (downloads->tick()) {
        }
    }

    // Feeds texts of one transfer and applies them.
    void report(int id, const std::vector<std::string>& texts) {
        for (const std::string& text : texts)
            Downloads::cb(id, text.c_str());
        tickAll();
    }

    // A transfer whose movie arrived as mp4 and whose job has ended.
    int finishedTransfer(const std::string& title) {
        const int id = downloads->getNextId();
        downloads->download("http://127.0.0.1:1/watch", title);
        report(id, {"setmp4", "Download Complete!", "done"});
        return id;
    }

    QString status(int row) const { return ListView::cellText(transfers, row, 2); }
    QString title(int row) const { return ListView::cellText(transfers, row, 0); }
    QStringList libraryRow(int row) const {
        return {ListView::cellText(library, row, 0), ListView::cellText(library, row, 1)};
    }
    QProgressBar* barInRow(int row) const {
        return qobject_cast<QProgressBar*>(ListView::cellWidget(transfers, row, 1));
    }

    std::unique_ptr<QWidget> window;
    QTreeWidget* transfers = nullptr;
    QTreeWidget* library = nullptr;
    QWidget* settingsTab = nullptr;
    std::unique_ptr<Settings> settings;
    std::unique_ptr<Downloads> downloads;
    std::vector<std::unique_ptr<core>> kept;
    QStringList messages;
};

// Real jobs on real workers, with movie and music folders of their own.
class RealJobsTest : public TransfersTest {
protected:
    void SetUp() override {
        TransfersTest::SetUp();
        downloads->setWorkerStarter({});
        ASSERT_TRUE(folders.isValid());
        Settings::moviePath = folders.path().toStdString() + "/movies";
        Settings::mp3Path = folders.path().toStdString() + "/music";
        std::filesystem::create_directories(Settings::moviePath);
        std::filesystem::create_directories(Settings::mp3Path);
    }

    QTemporaryDir folders;
};

QT_BEGIN_NAMESPACE
// Readable failure messages for QString and QStringList.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '{' << list.join(", ").toStdString() << '}';
}
QT_END_NAMESPACE
