#include "app/window/HomeTab.h"

#include "app/desktop/Translations.h"
#include "app/window/HomePlayer.h"
#include "settings/SettingsStore.h"
#include "toolkit/BrowserPane.h"
#include "toolkit/NavigationBar.h"

#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>

HomeTab::HomeTab(QWidget* parent) : HomeTab(SettingsStore::userDataFolder(), parent) {}

HomeTab::HomeTab(const std::string& dataFolder, QWidget* parent)
    : QWidget(parent), dataFolder(dataFolder) {
    setObjectName(QStringLiteral("homeTab"));
    // The pane is a child of this tab and goes with it.
    pane = new BrowserPane(this);
    pane->setObjectName(QStringLiteral("homeBrowser"));
    pane->setAccessibleName(tr("Home page"));
    // Its pages, the site's welcome above all, come in the window's language.
    pane->page()->profile()->setHttpAcceptLanguage(Translations::acceptLanguage());
    navigation = new NavigationBar(pane, this);
    navigation->setObjectName(QStringLiteral("homeNavigation"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(navigation, 0, Qt::AlignLeft);
    layout->addWidget(pane, 1);
}

void HomeTab::setRunner(WorkRunner& runner) {
    // A child of this tab too. Its destructor only cancels its preparations
    // and waits for them; it never uses the pane.
    if (!homePlayer)
        homePlayer = new HomePlayer(pane, dataFolder, runner, this);
}

void HomeTab::play(const std::string& mediaPath) {
    if (homePlayer)
        homePlayer->play(mediaPath);
}
