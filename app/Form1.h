#pragma once

#include "FolderChooser.h"

#include <QMainWindow>

#include <memory>
#include <string>

class HomeTab;
class LibraryTab;
class Manager;
class NamedObject;
class QLabel;
class QMenuBar;
class QStatusBar;
class QTabWidget;
class SearchTab;
class SettingsTab;
class TransfersTab;

namespace Bramblet {

// The one main window. Builds the controls, hands the ones the logic fills
// to the Manager, and turns every user action into one Manager call.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    static const char* const AboutText;

    Manager* manager() const { return mgr.get(); }
    FolderChooser& folderChooser() { return folderBrowserDialog1; }
    QTabWidget* tabs() const { return tabControl1; }
    SearchTab* searchTab() const { return search; }
    TransfersTab* transfersTab() const { return transfers; }
    LibraryTab* libraryTab() const { return library; }
    HomeTab* homeTab() const { return home; }
    SettingsTab* settingsTab() const { return settingsPage; }
    // Queues a download of each address; an empty title names it after the
    // page's headline.
    void queueAddresses(const QStringList& addresses);
    int selectedLibraryRow() const { return libraryRow; }

    // Held for the life of the process, created before the first window.
    static std::unique_ptr<NamedObject> mut;
    static std::unique_ptr<NamedObject> mut2;

protected:
    // Closing pauses every transfer (to continue at the next start), stops
    // conversions and waits, briefly, for their workers.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void downloadBtn_Click();
    void helpToolStripMenuItem_Click();
    void fileToolStripMenuItem_Click();
    void libraryRowClicked(int row);
    // The Transfers tab's actions, each on the selected rows it applies to.
    void clearToolStripMenuItem_Click();
    void convertToMp3ToolStripMenuItem_Click();
    void cancelClicked();
    void retryClicked();
    void pauseClicked();
    void resumeClicked();
    void pauseOrResume();
    void playTransferClicked();
    void showTransferFolderClicked();
    void showFolderLocationToolStripMenuItem_Click();
    void playToolStripMenuItem_Click();
    void libraryRowDoubleClicked(int row);

private:
    static void createNamedObjects();
    void buildMenu();
    void buildStatusBar();
    void buildTabs();
    void wire();
    void selectTab(const QString& name);
    int chosenLibraryRow() const;
    void playRow(int row);
    // Plays a media file in the Home pane, as the library's play does.
    void playMedia(const std::string& path);
    void showAtHome(const std::string& address);

    QStatusBar* statusStrip1;
    QLabel* toolStripStatusLabel1;
    QMenuBar* menuStrip1;
    QTabWidget* tabControl1;
    HomeTab* home;
    SearchTab* search;
    TransfersTab* transfers;
    LibraryTab* library;
    SettingsTab* settingsPage;
    FolderChooser folderBrowserDialog1;

    std::unique_ptr<Manager> mgr;
    int libraryRow = 0;
    bool shownOnce = false;
};

} // namespace Bramblet
