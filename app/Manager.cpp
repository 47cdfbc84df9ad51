#include "Manager.h"

#include "DesktopNotifier.h"
#include "DownloadItems.h"
#include "Downloads.h"
#include "Library.h"
#include "Settings.h"
#include "Text.h"
#include "core.h"

#include <QLineEdit>
#include <QTimer>

Manager::Manager(QTreeWidget* transferList, QTreeWidget* libraryList, SettingsTab* settingsTab,
                 QTimer* tmr, QLineEdit* titleText, const QDBusConnection& bus)
    : settings(std::make_unique<Settings>(settingsTab, libraryList)),
      downloads(std::make_unique<Downloads>(transferList, libraryList, settings.get())),
      notifier(std::make_unique<DesktopNotifier>(bus)), tmr(tmr), titleText(titleText) {
    // Called from the drain, on the window's thread; the saved setting counts.
    downloads->setEndListener([this](const DownloadItems& record) {
        if (settings->shouldNotify())
            notifier->jobEnded(record);
    });
}

// The transfer controller borrows the settings and calls the notifier, so it
// goes first. Transfers still running only reach the process-wide queues.
Manager::~Manager() {
    downloads.reset();
    notifier.reset();
    settings.reset();
}

void Manager::tick() {
    // Off while draining, so the next tick counts from the end of this one.
    tmr->stop();
    const bool busy = downloads->tick();
    tmr->setInterval(busy ? BusyInterval : IdleInterval);
    tmr->start();
}

bool Manager::download(const std::string& url, const std::string& title) {
    return downloads->download(url, title);
}

void Manager::findTitle(const std::string& docText) {
    // A page without a title leaves the box as it was.
    if (const auto title = core::findTitle(docText))
        titleText->setText(wide(*title));
}

void Manager::clearItemFromView(int listID) {
    downloads->clearItemFromView(listID);
}

void Manager::convert(int listID) {
    downloads->convert(listID);
}

void Manager::cancel(int listID) {
    downloads->cancel(listID);
}

void Manager::retry(int listID) {
    downloads->retry(listID);
}

std::string Manager::mediaPath(int libraryRow) const {
    return settings->getLibrary()->mediaPath(libraryRow);
}

std::string Manager::showFolder(int libraryRow) const {
    return settings->getLibrary()->showFileFolder(libraryRow);
}

bool Manager::saveSettings() {
    if (!settings->grabViewValues())
        return false;
    return settings->saveSettings();
}

bool Manager::stopTransfers() {
    downloads->cancelAll();
    return downloads->waitForWorkers(CloseWait);
}
