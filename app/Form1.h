#pragma once

#include "FolderChooser.h"

#include <QMainWindow>

#include <memory>

class HomeTab;
class LibraryTab;
class Manager;
class NamedObject;
class QLabel;
class QMenuBar;
class QStatusBar;
class QTabWidget;
class QTimer;
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
    QTimer* timer() const { return timer1; }
    SearchTab* searchTab() const { return search; }
    TransfersTab* transfersTab() const { return transfers; }
    LibraryTab* libraryTab() const { return library; }
    HomeTab* homeTab() const { return home; }
    SettingsTab* settingsTab() const { return settingsPage; }
    int selectedTransferRow() const { return transferRow; }
    int selectedLibraryRow() const { return libraryRow; }

    // Held for the life of the process, created before the first window.
    static std::unique_ptr<NamedObject> mut;
    static std::unique_ptr<NamedObject> mut2;

protected:
    // Closing stops every transfer and waits, briefly, for them to clean up.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void downloadBtn_Click();
    void timer1_Tick();
    void helpToolStripMenuItem_Click();
    void fileToolStripMenuItem_Click();
    void transferRowClicked(int row);
    void libraryRowClicked(int row);
    void clearToolStripMenuItem_Click();
    void convertToMp3ToolStripMenuItem_Click();
    void cancelClicked();
    void retryClicked();
    // Offers cancel only for a running row and retry only for one that failed.
    void updateTransferMenu();
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
    // The selected transfer row, or -1 when the selection is stale.
    int chosenTransferRow() const;
    int chosenLibraryRow() const;
    void playRow(int row);
    void showAtHome(const std::string& address);

    QObject* components;
    QTimer* timer1;
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
    int transferRow = 0;
    int libraryRow = 0;
    bool shownOnce = false;
};

} // namespace Bramblet
