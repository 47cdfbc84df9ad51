#include "SettingsTabHandlers.h"

#include "ControlFinder.h"
#include "FolderChooser.h"
#include "SettingsTab.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace {

template <typename T> T* control(QWidget* tab, const char* box, const char* name) {
    return qobject_cast<T*>(
        findControlPath(tab, {QString::fromLatin1(box), QString::fromLatin1(name)}));
}

} // namespace

SettingsTabHandlers::SettingsTabHandlers(QWidget* tabPage5, FolderChooser& chooser, Save save)
    : QObject(tabPage5), tab(tabPage5), chooser(chooser), save(std::move(save)) {
    if (auto* b = control<QAbstractButton>(tab, "groupBox1", "movieBrowseBtn"))
        connect(b, &QAbstractButton::clicked, this, &SettingsTabHandlers::movieBrowseBtn_Click);
    if (auto* b = control<QAbstractButton>(tab, "groupBox1", "mp3BorwseButton"))
        connect(b, &QAbstractButton::clicked, this, &SettingsTabHandlers::mp3BorwseButton_Click);

    const std::pair<const char*, const char*> toggles[] = {
        {"groupBox3", "movieCheck"},   {"groupBox3", "mp3Check"},     {"groupBox4", "autoCheck"},
        {"groupBox2", "radioButton1"}, {"groupBox2", "radioButton2"}, {"groupBox2", "radioButton3"},
        {"groupBox2", "radioButton4"}};
    for (const auto& [box, name] : toggles) {
        if (auto* b = control<QAbstractButton>(tab, box, name))
            connect(b, &QAbstractButton::toggled, this, &SettingsTabHandlers::checkedChanged);
    }

    if (auto* b = findControlAs<QPushButton>(tab, QStringLiteral("saveSettingsBtn")))
        connect(b, &QPushButton::clicked, this, &SettingsTabHandlers::saveSettingsBtn_Click);
}

void SettingsTabHandlers::browseInto(QLineEdit* box) {
    // Cancelling still takes the chooser's folder, the last one chosen; with
    // none chosen yet the box keeps its folder rather than going empty.
    const QString folder = chooser.choose();
    if (folder.isEmpty())
        return;
    if (box)
        box->setText(folder);
    SettingsTab::setSaveEnabled(tab, true);
}

void SettingsTabHandlers::movieBrowseBtn_Click() {
    browseInto(control<QLineEdit>(tab, "groupBox1", "movieTextSave"));
}

void SettingsTabHandlers::mp3BorwseButton_Click() {
    browseInto(control<QLineEdit>(tab, "groupBox1", "mp3SaveText"));
}

void SettingsTabHandlers::checkedChanged() {
    SettingsTab::setSaveEnabled(tab, true);
}

void SettingsTabHandlers::saveSettingsBtn_Click() {
    if (save && save())
        SettingsTab::setSaveEnabled(tab, false);
}
