#include "SettingsTab.h"

#include "ControlFinder.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

template <typename T> T* named(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* control = new T(parent); // owned by its parent
    control->setObjectName(QString::fromLatin1(name));
    if (!text.isNull())
        control->setText(text);
    return control;
}

QGroupBox* group(QWidget* page, const char* name, const char* title) {
    auto* box = new QGroupBox(page); // owned by the page
    box->setObjectName(QString::fromLatin1(name));
    box->setTitle(QString::fromUtf8(title));
    return box;
}

void fillDownloads(QGroupBox* box) {
    auto* movieLabel = named<QLabel>(box, "label4", QStringLiteral("Save movie files in"));
    auto* movieText = named<QLineEdit>(box, "movieTextSave");
    auto* movieBrowse = named<QPushButton>(box, "movieBrowseBtn", QStringLiteral("Browse"));
    auto* mp3Label = named<QLabel>(box, "label5", QStringLiteral("Save mp3 files in"));
    auto* mp3Text = named<QLineEdit>(box, "mp3SaveText");
    auto* mp3Browse = named<QPushButton>(box, "mp3BorwseButton", QStringLiteral("Browse"));

    auto* grid = new QGridLayout(box);
    grid->addWidget(movieLabel, 0, 0, 1, 2);
    grid->addWidget(movieText, 1, 0);
    grid->addWidget(movieBrowse, 1, 1);
    grid->addWidget(mp3Label, 2, 0, 1, 2);
    grid->addWidget(mp3Text, 3, 0);
    grid->addWidget(mp3Browse, 3, 1);
    grid->setColumnStretch(0, 1);
}

void fillQuality(QGroupBox* box) {
    auto* row = new QHBoxLayout(box);
    row->addWidget(named<QRadioButton>(box, "radioButton1", QStringLiteral("Highest (MP4)")));
    row->addWidget(named<QRadioButton>(box, "radioButton2", QStringLiteral("High")));
    row->addWidget(named<QRadioButton>(box, "radioButton3", QStringLiteral("Medium")));
    row->addWidget(named<QRadioButton>(
        box, "radioButton4", QStringLiteral("Low (Fastest - Recommended for mp3 conversion)")));
    row->addStretch(1);
}

void fillLibrary(QGroupBox* box) {
    auto* row = new QHBoxLayout(box);
    row->addWidget(named<QCheckBox>(box, "movieCheck", QStringLiteral("Movies")));
    row->addWidget(named<QCheckBox>(box, "mp3Check", QStringLiteral("Music")));
    row->addStretch(1);
}

void fillConversion(QGroupBox* box) {
    auto* row = new QHBoxLayout(box);
    row->addWidget(named<QCheckBox>(
        box, "autoCheck", QStringLiteral("Automatically convert downloaded movies to mp3.")));
    row->addStretch(1);
}

} // namespace

QWidget* SettingsTab::build(QWidget* parent) {
    auto* page = new QWidget(parent); // owned by its parent (the tab control)
    page->setObjectName(QStringLiteral("tabPage5"));

    // Children in the window's order; the layout shows groupBox1 on top.
    QGroupBox* conversion = group(page, "groupBox4", "Conversion");
    QGroupBox* library = group(page, "groupBox3", "Library");
    QGroupBox* quality = group(page, "groupBox2", "Quality");
    QGroupBox* downloads = group(page, "groupBox1", "Downloads");
    auto* save = named<QPushButton>(page, "saveSettingsBtn", QStringLiteral("Save Settings"));
    save->setEnabled(false);

    fillDownloads(downloads);
    fillQuality(quality);
    fillLibrary(library);
    fillConversion(conversion);

    auto* column = new QVBoxLayout(page);
    column->addWidget(downloads);
    column->addWidget(quality);
    column->addWidget(library);
    column->addWidget(conversion);
    column->addStretch(1);
    auto* bottom = new QHBoxLayout();
    bottom->addStretch(1);
    bottom->addWidget(save);
    column->addLayout(bottom);
    return page;
}

void SettingsTab::setSaveEnabled(QWidget* tab, bool enabled) {
    if (auto* save = findControlAs<QPushButton>(tab, QStringLiteral("saveSettingsBtn")))
        save->setEnabled(enabled);
}

bool SettingsTab::isSaveEnabled(QWidget* tab) {
    auto* save = findControlAs<QPushButton>(tab, QStringLiteral("saveSettingsBtn"));
    return save && save->isEnabled();
}
