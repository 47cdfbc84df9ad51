#pragma once

#include <QDBusConnection>

#include <chrono>
#include <memory>
#include <string>

class DesktopNotifier;
class Downloads;
class Library;
class QLineEdit;
class QTimer;
class QTreeWidget;
class Settings;
class SettingsTab;

// The window's way into the logic: owns the settings and the transfer list
// controller, paces the drain timer and tells the desktop (over bus) when a
// job has ended, if the settings say so. Window thread only.
class Manager {
public:
    Manager(QTreeWidget* transferList, QTreeWidget* libraryList, SettingsTab* settingsTab,
            QTimer* tmr, QLineEdit* titleText,
            const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~Manager();
    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    static constexpr int IdleInterval = 1000;
    static constexpr int BusyInterval = 100;
    // How long closing waits for cancelled transfers to clean up.
    static constexpr std::chrono::milliseconds CloseWait{3000};

    void tick();
    bool download(const std::string& url, const std::string& title);
    void findTitle(const std::string& docText);
    void clearItemFromView(int listID);
    void convert(int listID);
    void cancel(int listID);
    void retry(int listID);
    // Path of a library row's file, or an empty text.
    std::string mediaPath(int libraryRow) const;
    // Address of a library row's folder, or an empty text.
    std::string showFolder(int libraryRow) const;
    bool saveSettings();
    // Cancels every transfer and waits (at most CloseWait) for their workers
    // to remove their temporary files and end ffmpeg. True when all ended.
    bool stopTransfers();

    Downloads& getDownloads() { return *downloads; }
    Settings& getSettings() { return *settings; }

private:
    std::unique_ptr<Settings> settings;
    std::unique_ptr<Downloads> downloads;
    std::unique_ptr<DesktopNotifier> notifier;
    QTimer* tmr;
    QLineEdit* titleText;
};
