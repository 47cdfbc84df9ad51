#pragma once

#include <memory>
#include <string>

class Downloads;
class QLineEdit;
class QTimer;
class QTreeWidget;
class QWidget;
class Settings;

// The window's way into the logic: owns the settings and the transfer list
// controller and paces the drain timer. Window thread only.
class Manager {
public:
    Manager(QTreeWidget* view, QTreeWidget* view3, QWidget* view2, QTimer* tmr,
            QTreeWidget* libView, QLineEdit* titleText);
    ~Manager();
    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    static constexpr int IdleInterval = 1000;
    static constexpr int BusyInterval = 100;

    void tick();
    bool download(const std::string& url, const std::string& title);
    void findTitle(const std::string& docText);
    void play(const std::string& title, const std::string& type);
    void clearItemFromView(int listID);
    void showFolder(int viewID);
    void convert(int listID);
    bool saveSettings();

    static std::string getMoviePath();
    static std::string getMp3Path();

    Downloads& getDownloads() { return *downloads; }

private:
    std::unique_ptr<Settings> settings;
    std::unique_ptr<Downloads> downloads;
    QTimer* tmr;
    QLineEdit* titleText;
};
