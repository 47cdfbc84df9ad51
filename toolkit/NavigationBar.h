#pragma once

#include <QKeySequence>
#include <QStyle>
#include <QWidget>

class BrowserPane;
class QAction;

// Back, Forward and Reload buttons for one browser pane, enabled as its
// history allows. The shortcuts (Alt+Left, Alt+Right, F5) act only while the
// bar is shown, so with a bar on each tab only the shown tab's pane answers.
class NavigationBar : public QWidget {
    Q_OBJECT
public:
    explicit NavigationBar(BrowserPane* pane, QWidget* parent = nullptr);

    QAction* backAction() const { return back; }
    QAction* forwardAction() const { return forward; }
    QAction* reloadAction() const { return reload; }

private:
    QAction* addButton(const QString& name, const QString& text, const QString& themeIcon,
                       QStyle::StandardPixmap fallback, const QList<QKeySequence>& keys);
    void updateActions();

    BrowserPane* pane;
    QAction* back;
    QAction* forward;
    QAction* reload;
};
