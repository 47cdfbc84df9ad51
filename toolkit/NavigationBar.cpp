#include "toolkit/NavigationBar.h"

#include "toolkit/BrowserPane.h"

#include <QAction>
#include <QHBoxLayout>
#include <QIcon>
#include <QToolButton>
#include <QWebEngineHistory>

NavigationBar::NavigationBar(BrowserPane* pane, QWidget* parent) : QWidget(parent), pane(pane) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    back = addButton(QStringLiteral("backButton"), tr("Back"), QStringLiteral("go-previous"),
                     QStyle::SP_ArrowBack, {QKeySequence(Qt::ALT | Qt::Key_Left), Qt::Key_Back});
    forward = addButton(QStringLiteral("forwardButton"), tr("Forward"), QStringLiteral("go-next"),
                        QStyle::SP_ArrowForward,
                        {QKeySequence(Qt::ALT | Qt::Key_Right), Qt::Key_Forward});
    reload = addButton(QStringLiteral("reloadButton"), tr("Reload"), QStringLiteral("view-refresh"),
                       QStyle::SP_BrowserReload, {Qt::Key_F5, Qt::Key_Refresh});

    connect(back, &QAction::triggered, pane, &QWebEngineView::back);
    connect(forward, &QAction::triggered, pane, &QWebEngineView::forward);
    connect(reload, &QAction::triggered, pane, &QWebEngineView::reload);
    connect(pane, &QWebEngineView::urlChanged, this, &NavigationBar::updateActions);
    connect(pane, &QWebEngineView::loadStarted, this, &NavigationBar::updateActions);
    connect(pane, &BrowserPane::navigated, this, &NavigationBar::updateActions);
    updateActions();
}

QAction* NavigationBar::addButton(const QString& name, const QString& text,
                                  const QString& themeIcon, QStyle::StandardPixmap fallback,
                                  const QList<QKeySequence>& keys) {
    auto* action =
        new QAction(QIcon::fromTheme(themeIcon, style()->standardIcon(fallback)), text, this);
    action->setToolTip(text);
    action->setShortcuts(keys);
    // The action lives on its button: a hidden button (another tab shown)
    // takes no shortcut, and the shown tab's is not ambiguous.
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    button->setAccessibleName(text);
    layout()->addWidget(button);
    return action;
}

void NavigationBar::updateActions() {
    QWebEngineHistory* history = pane->history();
    back->setEnabled(history->canGoBack());
    forward->setEnabled(history->canGoForward());
    reload->setEnabled(!pane->url().isEmpty());
}
