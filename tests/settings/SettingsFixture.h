#pragma once

#include "ControlFinder.h"
#include "app/window/SettingsTab.h"
#include "support/gui/ScopedDataHome.h"
#include "settings/Settings.h"
#include "settings/SettingsStore.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>

// A fresh data folder per test, the store over it and the real Settings tab
// with the window's enabling handlers, bound as the window binds them. What
// the store has to tell is collected in messages.
class SettingsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        dataFolder = home.path().toStdString() + "/Quillmoth/";
    }

    // Builds the tab the way the window does, then loads the settings into it.
    void start() {
        tab = std::make_unique<QWidget>();
        auto* page = new SettingsTab(tab.get()); // owned by tab
        tabPage = page;
        for (QAbstractButton* toggle : page->toggles())
            QObject::connect(toggle, &QAbstractButton::toggled, page,
                             [page] { page->setSaveEnabled(true); });
        store = std::make_unique<SettingsStore>(dataFolder);
        settings = store->load();
        if (const std::string message = store->takeMessage(); !message.empty())
            messages << QString::fromStdString(message);
        page->display(settings);
    }

    // Takes the tab's values and saves them, as Save Settings does.
    bool save() {
        settings = page()->edited(settings);
        return store->save(settings);
    }

    SettingsTab* page() const { return tabPage; }

    template <typename T> T* control(const char* box, const char* name) const {
        return qobject_cast<T*>(findControlPath(tab.get(), {"settingsTab", box, name}));
    }
    QAbstractButton* button(const char* box, const char* name) const {
        return control<QAbstractButton>(box, name);
    }
    bool saveEnabled() const { return page()->isSaveEnabled(); }

    std::string configPath() const { return dataFolder + "config.dat"; }
    // The default folders of a first start.
    std::string videos() const { return home.videos().toStdString(); }
    std::string music() const { return home.music().toStdString(); }

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

    std::string defaultConfig() const { return configText(videos(), music(), "1", "1", "4", "0"); }

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
    std::unique_ptr<SettingsStore> store;
    Settings settings;
    QStringList messages;
};
