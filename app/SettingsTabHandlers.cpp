#include "SettingsTabHandlers.h"

#include "FolderCheck.h"
#include "FolderChooser.h"
#include "MessageBox.h"
#include "SettingsTab.h"
#include "Text.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <utility>

namespace {

QString quoted(const std::string& path) {
    return QStringLiteral("\"") + wide(path) + QStringLiteral("\"");
}

} // namespace

SettingsTabHandlers::SettingsTabHandlers(SettingsTab* tab, FolderChooser& chooser, Save save,
                                         Revert revert)
    : QObject(tab), tab(tab), chooser(chooser), save(std::move(save)), revert(std::move(revert)) {
    connect(tab->movieBrowseButton(), &QAbstractButton::clicked, this,
            [this] { browseInto(this->tab->movieFolderBox()); });
    connect(tab->musicBrowseButton(), &QAbstractButton::clicked, this,
            [this] { browseInto(this->tab->musicFolderBox()); });
    for (QAbstractButton* toggle : tab->toggles())
        connect(toggle, &QAbstractButton::toggled, this,
                [this] { this->tab->setSaveEnabled(true); });
    connect(tab->maxRunningBox(), &QSpinBox::valueChanged, this,
            [this] { this->tab->setSaveEnabled(true); });
    for (QLineEdit* box : {tab->movieFolderBox(), tab->musicFolderBox()})
        connect(box, &QLineEdit::textEdited, this, [this] { this->tab->setSaveEnabled(true); });
    connect(tab->saveButton(), &QPushButton::clicked, this, &SettingsTabHandlers::savePending);
}

void SettingsTabHandlers::browseInto(QLineEdit* box) {
    // Cancelling still takes the chooser's folder, the last one chosen; with
    // none chosen yet the box keeps its folder rather than going empty.
    const QString folder = chooser.choose();
    if (folder.isEmpty())
        return;
    box->setText(folder);
    tab->setSaveEnabled(true);
}

bool SettingsTabHandlers::folderReady(const std::string& path) {
    QWidget* window = tab->window();
    switch (FolderCheck::of(path)) {
    case FolderCheck::State::Ready:
        return true;
    case FolderCheck::State::Empty:
        MessageBox::show(tr("Error: Choose a folder for the downloads."), window);
        return false;
    case FolderCheck::State::Missing:
        if (MessageBox::ask(tr("The folder %1 does not exist. Create it?").arg(quoted(path)),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No,
                            window) != QMessageBox::Yes)
            return false;
        if (FolderCheck::create(path) && FolderCheck::of(path) == FolderCheck::State::Ready)
            return true;
        MessageBox::show(tr("Error: Could not create the folder %1.").arg(quoted(path)), window);
        return false;
    case FolderCheck::State::NotAFolder:
    case FolderCheck::State::NotWritable:
        break;
    }
    MessageBox::show(
        tr("Error: The folder %1 cannot be written. Choose another folder.").arg(quoted(path)),
        window);
    return false;
}

bool SettingsTabHandlers::savePending() {
    if (!folderReady(narrow(tab->movieFolderBox()->text())) ||
        !folderReady(narrow(tab->musicFolderBox()->text())))
        return false;
    if (!save || !save()) {
        MessageBox::show(tr("Error: Could not save the settings."), tab->window());
        return false;
    }
    tab->setSaveEnabled(false);
    return true;
}

bool SettingsTabHandlers::settle(bool cancellable) {
    if (!tab->isSaveEnabled())
        return true;
    QMessageBox::StandardButtons buttons = QMessageBox::Save | QMessageBox::Discard;
    if (cancellable)
        buttons |= QMessageBox::Cancel;
    switch (MessageBox::ask(tr("The settings have unsaved changes. Save them?"), buttons,
                            QMessageBox::Save, tab->window())) {
    case QMessageBox::Save:
        return savePending();
    case QMessageBox::Discard:
        if (revert)
            revert();
        return true;
    default:
        return false;
    }
}
