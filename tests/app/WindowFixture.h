#pragma once

#include "ControlFinder.h"
#include "app/session/DataFolder.h"
#include "app/window/LibraryTab.h"
#include "app/window/MainWindow.h"
#include "app/window/SearchTab.h"
#include "app/window/SettingsTab.h"
#include "app/window/TransfersTab.h"
#include "support/gui/ScopedDataHome.h"
#include "settings/Settings.h"
#include "toolkit/BrowserPane.h"
#include "toolkit/MessageBox.h"
#include "transfers/TransferModel.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QStringList>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWebEnginePage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

// The address a pane was last sent to, known at once, before any page arrives.
inline std::string requestedAddress(BrowserPane* pane) {
    return pane->page()->requestedUrl().toString().toStdString();
}

// Questions are answered from `answers`, in order, and collected.
class WindowQuestions {
public:
    WindowQuestions() {
        MessageBox::setAsker([this](const QString& text, QMessageBox::StandardButtons) {
            asked << text;
            return answers.isEmpty() ? QMessageBox::NoButton : answers.takeFirst();
        });
    }
    ~WindowQuestions() { MessageBox::setAsker({}); }
    WindowQuestions(const WindowQuestions&) = delete;
    WindowQuestions& operator=(const WindowQuestions&) = delete;

    QStringList asked;
    QList<QMessageBox::StandardButton> answers;
};

// A real main window over a fresh data folder. Message boxes are collected,
// never shown; the folder chooser answers from `chooserAnswers`.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        MessageBox::setSink([this](const QString& text) { messages << text; });
        window = std::make_unique<quillmoth::MainWindow>();
        window->folderChooser().setDialog([this](QWidget*, const QString&) {
            return chooserAnswers.isEmpty() ? QString() : chooserAnswers.takeFirst();
        });
        messages.clear();
    }

    void TearDown() override {
        window.reset();
        MessageBox::setSink({});
    }

    template <typename T> T* control(const QStringList& path) const {
        return qobject_cast<T*>(findControlPath(window.get(), path));
    }
    QTabWidget* tabs() const { return control<QTabWidget>({"tabs"}); }
    QWidget* currentTab() const { return tabs()->currentWidget(); }
    QLineEdit* titleBox() const { return window->searchTab()->titleBox(); }
    QLineEdit* addressBox() const { return window->searchTab()->addressBox(); }
    BrowserPane* searchBrowser() const { return window->searchTab()->browser(); }
    QTreeView* transferList() const {
        return control<QTreeView>({"tabs", "transfersTab", "transferList"});
    }
    // A cell of the Transfers tab as shown.
    QString transferCell(int row, int column) const {
        const QAbstractItemModel* model = transferList()->model();
        return model->data(model->index(row, column)).toString();
    }
    int transferRows() const { return transferList()->model()->rowCount(); }
    QTreeView* libraryList() const { return window->libraryTab()->list(); }
    // A cell of My Library as shown (under its filter).
    QString libraryCell(int row, int column) const {
        const QAbstractItemModel* model = libraryList()->model();
        return model->data(model->index(row, column)).toString();
    }
    int libraryRows() const { return libraryList()->model()->rowCount(); }
    SettingsTab* settingsPage() const { return window->settingsTab(); }
    bool saveEnabled() const { return settingsPage()->isSaveEnabled(); }
    QAbstractButton* settingsButton(const char* box, const char* name) const {
        return qobject_cast<QAbstractButton*>(
            findControlPath(settingsPage(), {QString::fromLatin1(box), QString::fromLatin1(name)}));
    }

    // Navigates the Search pane and waits until it has arrived and the title
    // finder has run for that page.
    bool searchTo(const std::string& url) {
        return arriveAfter([&] { searchBrowser()->navigate(QString::fromStdString(url)); }, url);
    }
    // Runs `action` and waits until the Search pane has read a page at `url`.
    template <typename Action> bool arriveAfter(Action action, const std::string& url) {
        const QUrl wanted(QString::fromStdString(url));
        bool arrived = false;
        auto connection = QObject::connect(window->searchTab(), &SearchTab::pageRead, [&] {
            if (searchBrowser()->url() == wanted)
                arrived = true;
        });
        action();
        (void)QTest::qWaitFor([&] { return arrived; }, 30000);
        QObject::disconnect(connection);
        return arrived;
    }

    ScopedDataHome home;
    QStringList messages;
    QStringList chooserAnswers;
    std::unique_ptr<quillmoth::MainWindow> window;
};
