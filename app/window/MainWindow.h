#pragma once

#include "app/window/FolderChooser.h"

#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

class DataFolder;
class PageFinder;
class SearchProfile;
struct SourceRef;
class FileManager;
class HomeTab;
class LibraryTab;
class QLabel;
class QTabWidget;
class QMimeData;
class QTimer;
class SearchTab;
class SettingsTab;
class TransfersTab;

namespace quillmoth {

// The one main window. Builds the controls, shows what the data folder
// holds and says, and turns every user action into one DataFolder call.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    DataFolder* dataFolder() const { return folder.get(); }
    FolderChooser& folderChooser() { return chooser; }
    QTabWidget* tabs() const { return tabPages; }
    SearchTab* searchTab() const { return search; }
    TransfersTab* transfersTab() const { return transfers; }
    LibraryTab* libraryTab() const { return library; }
    HomeTab* homeTab() const { return home; }
    SettingsTab* settingsTab() const { return settingsPage; }
    // Queues a download of each address; an empty title names it after the
    // page's headline.
    void queueAddresses(const QStringList& addresses);
    // Texts from the command line, the clipboard or a drop: web addresses
    // become downloads, anything else is said in the status bar and skipped.
    void takeAddresses(const QStringList& texts);
    // A close the user did not ask for (a signal, the session ending): open
    // dialogs end, no question waits, and unsaved settings stay unsaved.
    void closeWithoutAsking();

signals:
    // A close begins (true), before anything is asked; false when the user
    // chose to stay after all.
    void closing(bool begins);

protected:
    // Unsaved settings are saved or discarded first, as the user answers (or
    // the user stays). Closing pauses every transfer (to continue at the next
    // start), stops conversions and waits, briefly, for their workers.
    void closeEvent(QCloseEvent* event) override;
    // A link dropped anywhere outside the browser panes is downloaded.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void onDownload();
    // The Search page's video, as source says (empty: the quality's choice).
    void download(const SourceRef& source);
    // The site, in the desktop's browser.
    void onHelp();
    // The help page shipped with the program, in the Home pane.
    void onHelpContents();
    void onAbout();
    // Ctrl+V outside a text field, or File > Paste Link.
    void onPasteLink();
    // A clipboard's or a drop's links; an empty one is said.
    void takePasted(const QMimeData* mime);
    // The Transfers tab's actions, each on the selected rows it applies to.
    void onClearRows();
    void onConvertRows();
    void onCancelRows();
    void onRetryRows();
    void onPauseRows();
    void onResumeRows();
    void onPauseOrResume();
    void onPlayTransfer();
    void onShowTransferFolder();
    void onMoveUpRows();
    void onMoveDownRows();
    void onMoveToTopRows();
    void onStartNowRows();
    void onClearFinished();
    // The library's actions on the chosen row.
    void onShowLibraryFolder();
    void onPlayLibraryRow();
    void onOpenLibraryRow();
    void onConvertLibraryRows();
    void onRenameLibraryRow();
    // Asks first.
    void onDeleteLibraryRows();
    void onLibraryRowDoubleClicked(int row);
    // Leaving the Settings tab with unsaved changes asks to save or discard.
    void onTabChanged();

private:
    void buildMenu();
    void buildStatusBar();
    void buildTabs();
    void wire();
    // The data folder's rows and messages in the controls, and the Settings
    // tab's values to it.
    void wireDataFolder();
    void playRow(int row);
    // Plays a media file in the Home pane, as the library's play does.
    void playMedia(const std::string& path);
    // The status bar and the title bar follow the transfers: the title's
    // percentage at once, as the rows show theirs, the status text a few
    // times a second.
    void followTransfers();
    void showSummary();
    void showTitle();
    // Window size and place and the lists' columns, kept in window.ini in the
    // data folder.
    QString layoutPath() const;
    void restoreLayout();
    void saveLayout() const;
    // Whether to download pages again whose files (saved, one per page; an
    // empty one: not downloaded) are on disk: asked once for all of them;
    // one alone may be opened instead.
    bool downloadAgain(const std::vector<std::string>& saved);
    // The desktop's file manager, with the file selected.
    void showInFileManager(const std::string& path);

    QLabel* statusLabel;
    QTabWidget* tabPages;
    HomeTab* home;
    SearchTab* search;
    TransfersTab* transfers;
    LibraryTab* library;
    SettingsTab* settingsPage;
    FolderChooser chooser;

    FileManager* fileManager = nullptr;
    QTimer* summaryTimer = nullptr;
    QWidget* shownTab = nullptr;
    // The Search pane's browser profile: its cookies and user agent go with
    // every download.
    std::unique_ptr<SearchProfile> searchProfile;
    std::unique_ptr<DataFolder> folder;
    // Reads the Search pane's pages on the data folder's workers.
    std::unique_ptr<PageFinder> pageFinder;
    // What the status bar last said of the Search pane's Download.
    QString searchNotice;
    bool shownOnce = false;
    bool askOnClose = true;
    // window.ini is a regular file, or nothing.
    bool layoutUsable = true;
    // The close went through: the transfers are stopped, nothing more runs.
    bool closed = false;
};

} // namespace quillmoth
