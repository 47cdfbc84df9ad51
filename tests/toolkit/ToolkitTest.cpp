// Text conversion, the message box sink and finding controls by name on
// real widgets, offscreen.
#include "ControlFinder.h"
#include "MessageBox.h"
#include "Text.h"

#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

TEST(Text, RoundTripsUtf8) {
    const std::string title = "Caf\xC3\xA9 \xE2\x99\xAB \xF0\x9F\x8E\xB5 ; | \"x\"";
    const QString shown = wide(title);
    EXPECT_EQ(shown, QString::fromUtf8("Café ♫ 🎵 ; | \"x\""));
    EXPECT_EQ(narrow(shown), title);
    EXPECT_EQ(wide(static_cast<const char*>(nullptr)), QString());
    EXPECT_EQ(narrow(QString()), std::string());
    // Embedded NUL bytes survive the std::string overload.
    EXPECT_EQ(wide(std::string("a\0b", 3)).size(), 3);
}

TEST(MessageBoxSink, CapturesTextsAndRestores) {
    QStringList shown;
    MessageBox::Sink previous = MessageBox::setSink([&](const QString& text) { shown << text; });
    MessageBox::show(QStringLiteral("first"));
    MessageBox::show(QStringLiteral("second"));
    EXPECT_EQ(shown, QStringList({"first", "second"}));

    MessageBox::Sink mine = MessageBox::setSink(previous);
    ASSERT_TRUE(static_cast<bool>(mine));
    mine(QStringLiteral("third"));
    EXPECT_EQ(shown.size(), 3);
}

TEST(ControlFinder, LooksThroughTabPagesGroupBoxesAndTheCentralWidget) {
    QMainWindow window;
    auto* tabs = new QTabWidget;
    tabs->setObjectName("tabs");
    window.setCentralWidget(tabs);

    auto* page = new QWidget;
    page->setObjectName("settingsTab");
    auto* box = new QGroupBox(page);
    box->setObjectName("downloadsGroup");
    auto* inner = new QPushButton(box);
    inner->setObjectName("movieBrowseButton");
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(inner);
    tabs->addTab(page, "Settings");

    auto* page2 = new QWidget;
    page2->setObjectName("searchTab");
    auto* split = new QSplitter(page2);
    split->setObjectName("searchSplitter");
    auto* left = new QLabel("left");
    left->setObjectName("instructions");
    split->addWidget(left);
    tabs->addTab(page2, "Search");

    EXPECT_EQ(findControl(&window, "tabs"), tabs);
    EXPECT_EQ(findControl(tabs, "settingsTab"), page);
    EXPECT_EQ(findControl(tabs, "searchTab"), page2);
    EXPECT_EQ(findControl(page, "downloadsGroup"), box);
    EXPECT_EQ(findControl(box, "movieBrowseButton"), inner);
    EXPECT_EQ(
        findControlPath(&window, {"tabs", "settingsTab", "downloadsGroup", "movieBrowseButton"}),
        inner);
    EXPECT_EQ(findControlPath(tabs, {"searchTab", "searchSplitter", "instructions"}), left);
    EXPECT_EQ(findControlAs<QPushButton>(box, "movieBrowseButton"), inner);
    EXPECT_EQ(findControlAs<QLabel>(box, "movieBrowseButton"), nullptr);

    // One level at a time: a named container hides what it holds.
    EXPECT_EQ(findControl(tabs, "downloadsGroup"), nullptr);
    EXPECT_EQ(findControl(page, "movieBrowseButton"), nullptr);
    EXPECT_EQ(findControlPath(&window, {"tabs", "missing", "downloadsGroup"}), nullptr);
    EXPECT_EQ(findControl(nullptr, "settingsTab"), nullptr);
    EXPECT_EQ(findControl(tabs, QString()), nullptr);
}
