#pragma once

#include "ControlFinder.h"
#include "Library.h"
#include "LibraryView.h"
#include "ListView.h"
#include "MessageBox.h"
#include "Settings.h"
#include "SettingsTab.h"
#include "gui/ScopedDataHome.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>

// A fresh data folder per test, the real Settings tab and library list, and
// the window's enabling handlers, so that the store meets the controls it
// meets in the program. Message boxes are collected, never shown.
class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        dataFolder = home.path().toStdString() + "/Quillmoth/";
        previousSink = MessageBox::setSink([this](const QString& text) { messages << text; });
    }

    void TearDown() override {
        settings.reset();
        MessageBox::setSink(previousSink);
    }

    // Builds the tab and list the way the window does, then the store.
    void start() {
        settings.reset();
        tab = std::make_unique<QWidget>();
        auto* page = new SettingsTab(tab.get()); // owned by tab
        tabPage = page;
        for (QAbstractButton* toggle : page->toggles())
            QObject::connect(toggle, &QAbstractButton::toggled, page,
                             [page] { page->setSaveEnabled(true); });
        libraryList = LibraryView::build(tab.get());
        settings = std::make_unique<Settings>(page, libraryList);
    }

    SettingsTab* page() const { return tabPage; }

    template <typename T> T* control(const char* box, const char* name) const {
        return qobject_cast<T*>(findControlPath(tab.get(), {"tabPage5", box, name}));
    }
    QAbstractButton* button(const char* box, const char* name) const {
        return control<QAbstractButton>(box, name);
    }
    bool saveEnabled() const { return page()->isSaveEnabled(); }

    std::string configPath() const { return dataFolder + "config.dat"; }

    void writeConfig(const std::string& text) const {
        QDir().mkpath(QString::fromStdString(dataFolder));
        QFile file(QString::fromStdString(configPath()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.data(), static_cast<qint64>(text.size()));
    }

    std::string readConfig() const {
        QFile file(QString::fromStdString(configPath()));
        if (!file.open(QIODevice::ReadOnly))
            return "<missing>";
        return file.readAll().toStdString();
    }

    static std::string configText(const std::string& movies, const std::string& music,
                                  const char* showMovies, const char* showMp3s,
                                  const std::string& quality, const char* convert) {
        return "moviePath;" + movies + "\r\nmp3Path;" + music + "\r\nshowMovies;" + showMovies +
               "\r\nshowMp3s;" + showMp3s + "\r\nquality;" + quality + "\r\nconvert;" + convert +
               "\r\n";
    }

    std::string defaultConfig() const {
        return configText(dataFolder + "Movies", dataFolder + "Music", "1", "1", "4", "0");
    }

    // Two existing folders of the user's own, outside the data folder.
    std::string userFolder(const char* name) const {
        const QString path = home.filePath(name);
        QDir().mkpath(path);
        return path.toStdString();
    }

    ScopedDataHome home;
    std::string dataFolder;
    std::unique_ptr<QWidget> tab;
    SettingsTab* tabPage = nullptr;
    QTreeWidget* libraryList = nullptr;
    std::unique_ptr<Settings> settings;
    QStringList messages;

private:
    MessageBox::Sink previousSink;
};
