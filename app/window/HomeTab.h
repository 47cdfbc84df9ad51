#pragma once

#include <QWidget>

#include <string>

class BrowserPane;
class HomePlayer;
class NavigationBar;
class WorkRunner;

// "Home": the browser that shows the splash page, player pages and folders,
// under its Back, Forward and Reload buttons.
class HomeTab : public QWidget {
    Q_OBJECT
public:
    // Player pages and playable copies go into dataFolder
    // (SettingsStore::userDataFolder() unless told otherwise).
    explicit HomeTab(QWidget* parent = nullptr);
    explicit HomeTab(const std::string& dataFolder, QWidget* parent = nullptr);

    // The player prepares copies through runner's workers; until it is
    // given, there is no player and nothing plays.
    void setRunner(WorkRunner& runner);

    BrowserPane* browser() const { return pane; }
    NavigationBar* navigationBar() const { return navigation; }
    HomePlayer* player() const { return homePlayer; }

    // Plays a media file in the pane, preparing a playable copy when needed.
    void play(const std::string& mediaPath);

private:
    std::string dataFolder;
    BrowserPane* pane;
    NavigationBar* navigation;
    HomePlayer* homePlayer = nullptr;
};
