#pragma once

#include "DownloadItems.h"
#include "Downloads.h"
#include "ListView.h"
#include "MessageBox.h"
#include "Settings.h"
#include "SettingsTab.h"
#include "Text.h"
#include "core.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
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
        transfers =
            ListView::create(window.get(), "listView1",
                             {{"Title", 300}, {"Progress", 200}, {"Status", 300}, {"Speed", 180}});
        library = ListView::create(window.get(), "listView2", {{"Title", 300}, {"Type", 80}});
        settingsTab = new SettingsTab(window.get()); // owned by the window
        settings = std::make_unique<Settings>(settingsTab, library);
        // Whatever the folders held is not what these tests look at.
        while (ListView::rowCount(library) > 0)
            ListView::removeRow(library, 0);
        downloads = std::make_unique<Downloads>(transfers, library, settings.get());
        keepJobs();
        messages.clear();
    }

    // Jobs started from here on are kept in `kept` and never run.
    void keepJobs() {
        downloads->setWorkerStarter(
            [this](std::unique_ptr<core> job) { kept.push_back(std::move(job)); });
    }

    void TearDown() override {
        // No job of this test may report into the next one's rows.
        if (downloads) {
            downloads->cancelAll();
            EXPECT_TRUE(downloads->waitForWorkers(std::chrono::seconds(30)));
        }
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

    // The folders new jobs are given, set the way the Settings tab sets them.
    void useFolders(const std::string& movies, const std::string& music) {
        ASSERT_TRUE(settings->parseLine(std::string(Settings::MOVIE_PATH_TKN) + ";" + movies));
        ASSERT_TRUE(settings->parseLine(std::string(Settings::MP3_PATH_TKN) + ";" + music));
    }

    // Drains like the window's timer until done() holds with nothing left
    // queued. The limit only keeps a broken job from hanging the run.
    bool drainUntil(const std::function<bool()>& done) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < giveUp) {
            const bool worked = downloads->tick();
            QCoreApplication::processEvents();
            if (!worked && done() && Downloads::updates.empty() && Downloads::dls.empty())
                return true;
            if (!worked)
                QThread::msleep(5);
        }
        return false;
    }

    // Drains until the job of the record in row has ended.
    bool drainUntilRowEnded(int row) {
        return drainUntil([&] {
            const DownloadItems* record = downloads->itemAtRow(row);
            return record && record->ended();
        });
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
    QString speed(int row) const { return ListView::cellText(transfers, row, 3); }
    // Every cell, the folder (not shown) included.
    QStringList libraryRow(int row) const {
        QStringList cells;
        for (int cell = 0; cell < ListView::cellCount(library, row); ++cell)
            cells << ListView::cellText(library, row, cell);
        return cells;
    }
    QProgressBar* barInRow(int row) const {
        return qobject_cast<QProgressBar*>(ListView::cellWidget(transfers, row, 1));
    }

    std::unique_ptr<QWidget> window;
    QTreeWidget* transfers = nullptr;
    QTreeWidget* library = nullptr;
    SettingsTab* settingsTab = nullptr;
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
        movies = folders.path().toStdString() + "/movies";
        music = folders.path().toStdString() + "/music";
        std::filesystem::create_directories(movies);
        std::filesystem::create_directories(music);
        useFolders(movies, music);
    }

    QTemporaryDir folders;
    std::string movies;
    std::string music;
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
