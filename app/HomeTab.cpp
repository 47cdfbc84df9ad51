#include "HomeTab.h"

#include "BrowserPane.h"
#include "HomePlayer.h"
#include "Settings.h"

#include <QVBoxLayout>

HomeTab::HomeTab(QWidget* parent) : HomeTab(Settings::dataFolder(), parent) {}

HomeTab::HomeTab(const std::string& dataFolder, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabPage1"));
    // Pane and player are children of this tab and go with it. The player's
    // destructor only cancels and joins its workers; it never uses the pane.
    webBrowser1 = new BrowserPane(this);
    webBrowser1->setObjectName(QStringLiteral("webBrowser1"));
    homePlayer = new HomePlayer(webBrowser1, dataFolder, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(webBrowser1);
}

void HomeTab::play(const std::string& mediaPath) {
    homePlayer->play(mediaPath);
}
