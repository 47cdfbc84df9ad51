#include "SettingsTabHandlers.h"

#include "FolderChooser.h"
#include "SettingsTab.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <utility>

SettingsTabHandlers::SettingsTabHandlers(SettingsTab* tab, FolderChooser& chooser, Save save)
    : QObject(tab), tab(tab), chooser(chooser), save(std::move(save)) {
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
    connect(tab->saveButton(), &QPushButton::clicked, this, &SettingsTabHandlers::onSave);
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

void SettingsTabHandlers::onSave() {
    if (save && save())
        tab->setSaveEnabled(false);
}
