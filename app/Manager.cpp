#include "Manager.h"

#include "Downloads.h"
#include "Settings.h"
#include "Text.h"
#include "core.h"

#include <QLineEdit>
#include <QTimer>

Manager::Manager(QTreeWidget* view, QTreeWidget* view3, QWidget* view2, QTimer* tmr,
                 QTreeWidget* libView, QLineEdit* titleText)
    : settings(std::make_unique<Settings>(view2, libView)),
      downloads(std::make_unique<Downloads>(view, view3, settings.get())), tmr(tmr),
      titleText(titleText) {}

// The transfer controller borrows the settings, so it goes first. Running
// transfers are not stopped: they only reach the process-wide queues.
Manager::~Manager() {
    downloads.reset();
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
    core::findTitle(docText.c_str());
    titleText->setText(wide(core::title));
}

void Manager::play(const std::string& title, const std::string& type) {
    settings->play(title, type);
}

void Manager::clearItemFromView(int listID) {
    downloads->clearItemFromView(listID);
}

void Manager::showFolder(int viewID) {
    settings->showFileFolder(viewID);
}

void Manager::convert(int listID) {
    downloads->convert(listID);
}

bool Manager::saveSettings() {
    if (!settings->grabViewValues())
        return false;
    return settings->saveSettings();
}

std::string Manager::getMoviePath() {
    return Settings::moviePath;
}

std::string Manager::getMp3Path() {
    return Settings::mp3Path;
}
