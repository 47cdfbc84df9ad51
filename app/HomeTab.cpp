#include "HomeTab.h"

#include "BrowserPane.h"

#include <QVBoxLayout>

HomeTab::HomeTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("tabPage1"));
    webBrowser1 = new BrowserPane(this);
    webBrowser1->setObjectName(QStringLiteral("webBrowser1"));
    // Player pages start playing on their own.
    webBrowser1->allowAutoplay(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(webBrowser1);
}
