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
    QWidget* settingsTab() const { return tabPage5; }
    int selectedTransferRow() const { return selectedInd; }
    int selectedLibraryRow() const { return selectedInd2; }

    // Held for the life of the process, created before the first window.
    static std::unique_ptr<NamedObject> mut;
    static std::unique_ptr<NamedObject> mut2;

private slots:
    void downloadBtn_Click();
    void timer1_Tick();
    void helpToolStripMenuItem_Click();
    void fileToolStripMenuItem_Click();
    void listView1_MouseClick(int row);
    void listView2_MouseClick(int row);
    void clearToolStripMenuItem_Click();
    void convertToMp3ToolStripMenuItem_Click();
    void showFolderLocationToolStripMenuItem_Click();
    void playToolStripMenuItem_Click();
    void listView2_MouseDoubleClick(int row);

private:
    static void createNamedObjects();
    void buildMenu();
    void buildStatusBar();
    void buildTabs();
    void wire();
    void selectTab(const QString& name);
    void playRow(int row);
    void showHomeLocation();

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
    QWidget* tabPage5;
    FolderChooser folderBrowserDialog1;

    std::unique_ptr<Manager> mgr;
    int selectedInd = 0;
    int selectedInd2 = 0;
};

} // namespace Bramblet
