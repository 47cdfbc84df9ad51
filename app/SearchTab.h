#pragma once

#include <QWidget>

#include <functional>
#include <string>

class BrowserPane;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;

// "Search": the title box, Download and the instructions on the left; the
// address box, "Go" and the search browser on the right. Every page the
// browser reaches is handed to the title finder and its address shown.
class SearchTab : public QWidget {
    Q_OBJECT
public:
    using TitleFinder = std::function<void(const std::string& html)>;

    explicit SearchTab(QWidget* parent = nullptr);

    void setTitleFinder(TitleFinder finder) { titleFinder = std::move(finder); }

    QLineEdit* titleBox() const { return titleText; }
    QPushButton* downloadButton() const { return downloadBtn; }
    QLineEdit* addressBox() const { return textBox1; }
    BrowserPane* browser() const { return webBrowser2; }

    static const char* const Instructions;

signals:
    // A page's HTML has been through the title finder.
    void pageRead();

private slots:
    void button1_Click();
    void textBox1_KeyPress();
    void webBrowser2_Navigated();

private:
    QWidget* buildLeftPane();
    QWidget* buildRightPane();

    QSplitter* splitContainer1;
    QLineEdit* titleText;
    QPushButton* downloadBtn;
    QLabel* label2;
    QPushButton* button1;
    QLineEdit* textBox1;
    BrowserPane* webBrowser2;
    TitleFinder titleFinder;
};
