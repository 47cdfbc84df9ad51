#pragma once

#include <QWidget>

class BrowserPane;

// "Home": the browser that shows the splash page, player pages and folders.
class HomeTab : public QWidget {
    Q_OBJECT
public:
    explicit HomeTab(QWidget* parent = nullptr);

    BrowserPane* browser() const { return webBrowser1; }

private:
    BrowserPane* webBrowser1;
};
