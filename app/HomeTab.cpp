#include "HomeTab.h"

#include "BrowserPane.h"
#include "HomePlayer.h"
#include "Settings.h"

#include <QVBoxLayout>

HomeTab::HomeTab(QWidget* parent) : HomeTab(Settings::dataFolder(), parent) {}

HomeTab::HomeTab(const std::string& dataFolder, QWidget* parent)
    : QWidget(parent), dataFolder(dataFolder) {
    setObjectName(QStringLiteral("tabPage1"));
    // The pane is a child of this tab and goes with it.
    webBrowser1 = new BrowserPane(this);
    webBrowser1->setObjectName(QStringLiteral("webBrowser1"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(webBrowser1);
}

void HomeTab::setRunner(WorkRunner& runner) {
    // A child of this tab too. Its destructor only cancels its preparations
    // and waits for them; it never uses the pane.
    if (!homePlayer)
        homePlayer = new HomePlayer(webBrowser1, dataFolder, runner, this);
}

void HomeTab::play(const std::string& mediaPath) {
    if (homePlayer)
        homePlayer->play(mediaPath);
}
