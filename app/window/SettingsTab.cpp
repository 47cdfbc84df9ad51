#include "app/window/SettingsTab.h"

#include "settings/FolderCheck.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Text.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <utility>

namespace {

template <typename T> T* named(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* control = new T(parent); // owned by its parent
    control->setObjectName(QString::fromLatin1(name));
    if (!text.isNull())
        control->setText(text);
    return control;
}

QGroupBox* group(QWidget* page, const char* name, const QString& title) {
    auto* box = new QGroupBox(page); // owned by the page
    box->setObjectName(QString::fromLatin1(name));
    box->setTitle(title);
    return box;
}

QString quoted(const std::string& path) {
    return QStringLiteral("\"") + wide(path) + QStringLiteral("\"");
}

} // namespace

SettingsTab::SettingsTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("settingsTab"));

    // The groups scroll on a small screen; Save stays in sight below them.
    auto* scroll = new QScrollArea(this); // owned by the page
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setAccessibleName(tr("Settings"));
    auto* content = new QWidget; // owned by the scroll area below
    // Children in the window's order; the layout shows the downloads on top.
    QGroupBox* conversion = group(content, "conversionGroup", tr("Conversion"));
    QGroupBox* library = group(content, "libraryGroup", tr("Library"));
    QGroupBox* qualityBox = group(content, "qualityGroup", tr("Quality"));
    QGroupBox* downloads = group(content, "downloadsGroup", tr("Downloads"));
    save = named<QPushButton>(this, "saveButton", tr("Sav&e Settings"));
    save->setEnabled(false);

    auto* movieLabel = named<QLabel>(downloads, "movieFolderLabel", tr("Save &movie files in"));
    movieFolder = named<QLineEdit>(downloads, "movieFolderBox");
    movieBrowse = named<QPushButton>(downloads, "movieBrowseButton", tr("&Browse"));
    auto* mp3Label = named<QLabel>(downloads, "musicFolderLabel", tr("Save mp&3 files in"));
    musicFolder = named<QLineEdit>(downloads, "musicFolderBox");
    //: The mp3 folder's Browse button: a key of its own beside the movie folder's.
    musicBrowse = named<QPushButton>(downloads, "musicBrowseButton", tr("B&rowse"));
    notify = named<QCheckBox>(downloads, "notifyBox", tr("&Notify me when a transfer ends"));
    // Each label names its box (screen readers, and a click on it).
    movieLabel->setBuddy(movieFolder);
    mp3Label->setBuddy(musicFolder);
    movieBrowse->setAccessibleName(tr("Browse for the movie folder"));
    musicBrowse->setAccessibleName(tr("Browse for the mp3 folder"));
    auto* runningLabel = new QLabel(tr("Transfers at on&ce"), downloads); // owned by the box
    maxRunning = new QSpinBox(downloads);                                 // owned by the box
    maxRunning->setRange(Settings::MinRunning, Settings::MaxRunning);
    runningLabel->setBuddy(maxRunning);
    auto* runningRow = new QHBoxLayout();
    runningRow->addWidget(runningLabel);
    runningRow->addWidget(maxRunning);
    runningRow->addStretch(1);
    auto* connectionsLabel =
        new QLabel(tr("Connections &per transfer"), downloads); // owned by the box
    connections = new QSpinBox(downloads);                      // owned by the box
    connections->setObjectName(QStringLiteral("connectionsBox"));
    connections->setRange(Settings::MinConnectionsPerTransfer, Settings::MaxConnectionsPerTransfer);
    connectionsLabel->setBuddy(connections);
    auto* connectionsRow = new QHBoxLayout();
    connectionsRow->addWidget(connectionsLabel);
    connectionsRow->addWidget(connections);
    connectionsRow->addStretch(1);
    limitSpeed = named<QCheckBox>(downloads, "speedLimitBox", tr("&Limit download speed"));
    speedRate = new QSpinBox(downloads); // owned by the box
    speedRate->setObjectName(QStringLiteral("speedLimitRateBox"));
    speedRate->setRange(Settings::MinSpeedLimit, Settings::MaxSpeedLimit);
    speedRate->setSingleStep(100);
    speedRate->setValue(Settings::DefaultSpeedLimit);
    //: Unit of the download speed limit: kilobytes (1000 bytes) a second.
    speedRate->setSuffix(tr(" kB/s"));
    speedRate->setAccessibleName(tr("Download speed limit"));
    speedRate->setEnabled(false);
    auto* limitNote = named<QLabel>(
        downloads, "speedLimitNote",
        tr("The limit is shared by all transfers, streams (HLS, DASH) included."));
    limitNote->setWordWrap(true);
    auto* limitRow = new QHBoxLayout();
    limitRow->addWidget(limitSpeed);
    limitRow->addWidget(speedRate);
    limitRow->addStretch(1);
    connect(limitSpeed, &QCheckBox::toggled, speedRate, &QWidget::setEnabled);
    auto* grid = new QGridLayout(downloads);
    grid->addWidget(movieLabel, 0, 0, 1, 2);
    grid->addWidget(movieFolder, 1, 0);
    grid->addWidget(movieBrowse, 1, 1);
    grid->addWidget(mp3Label, 2, 0, 1, 2);
    grid->addWidget(musicFolder, 3, 0);
    grid->addWidget(musicBrowse, 3, 1);
    grid->addWidget(notify, 4, 0, 1, 2);
    grid->addLayout(runningRow, 5, 0, 1, 2);
    grid->addLayout(connectionsRow, 6, 0, 1, 2);
    grid->addLayout(limitRow, 7, 0, 1, 2);
    grid->addWidget(limitNote, 8, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    quality = {named<QRadioButton>(qualityBox, "qualityHighest", tr("Highest (MP&4)")),
               named<QRadioButton>(qualityBox, "qualityHigh", tr("H&igh")),
               named<QRadioButton>(qualityBox, "qualityMedium", tr("Me&dium")),
               named<QRadioButton>(qualityBox, "qualityLow",
                                   tr("Lo&w (Fastest - Recommended for mp3 conversion)"))};
    // Two by two, so that the long last one fits a narrow window.
    auto* qualityGrid = new QGridLayout(qualityBox);
    for (std::size_t i = 0; i < quality.size(); ++i)
        qualityGrid->addWidget(quality[i], static_cast<int>(i / 2), static_cast<int>(i % 2));
    qualityGrid->setColumnStretch(2, 1);

    showMovies = named<QCheckBox>(library, "showMoviesBox", tr("Mo&vies"));
    showMusic = named<QCheckBox>(library, "showMusicBox", tr("M&usic"));
    auto* libraryRow = new QHBoxLayout(library);
    libraryRow->addWidget(showMovies);
    libraryRow->addWidget(showMusic);
    libraryRow->addStretch(1);

    autoConvert = named<QCheckBox>(conversion, "autoConvertBox",
                                   tr("&Automatically convert downloaded movies to mp3."));
    auto* conversionRow = new QHBoxLayout(conversion);
    conversionRow->addWidget(autoConvert);
    conversionRow->addStretch(1);

    auto* column = new QVBoxLayout(content);
    column->addWidget(downloads);
    column->addWidget(qualityBox);
    column->addWidget(library);
    column->addWidget(conversion);
    column->addStretch(1);
    scroll->setWidget(content);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(scroll, 1);
    auto* bottom = new QHBoxLayout();
    bottom->setContentsMargins(9, 0, 9, 9);
    bottom->addStretch(1);
    bottom->addWidget(save);
    page->addLayout(bottom);
    watchChanges();
}

void SettingsTab::watchChanges() {
    const auto changed = [this] { setSaveEnabled(true); };
    for (QAbstractButton* toggle : toggles())
        connect(toggle, &QAbstractButton::toggled, this, changed);
    connect(maxRunning, &QSpinBox::valueChanged, this, changed);
    connect(connections, &QSpinBox::valueChanged, this, changed);
    connect(speedRate, &QSpinBox::valueChanged, this, changed);
    for (QLineEdit* box : {movieFolder, musicFolder})
        connect(box, &QLineEdit::textEdited, this, changed);
    connect(movieBrowse, &QAbstractButton::clicked, this, [this] { browseInto(movieFolder); });
    connect(musicBrowse, &QAbstractButton::clicked, this, [this] { browseInto(musicFolder); });
    connect(save, &QPushButton::clicked, this, &SettingsTab::savePending);
}

void SettingsTab::setSave(Save save) {
    saveValues = std::move(save);
}

void SettingsTab::setChooseFolder(ChooseFolder choose) {
    chooseFolder = std::move(choose);
}

void SettingsTab::browseInto(QLineEdit* box) {
    // Cancelling still takes the chooser's folder, the last one chosen; with
    // none chosen yet the box keeps its folder rather than going empty.
    const QString folder = chooseFolder ? chooseFolder() : QString();
    if (folder.isEmpty())
        return;
    box->setText(folder);
    setSaveEnabled(true);
}

bool SettingsTab::folderReady(const std::string& path) {
    QWidget* owner = window();
    switch (FolderCheck::of(path)) {
    case FolderCheck::State::Ready:
        return true;
    case FolderCheck::State::Empty:
        MessageBox::show(tr("Error: Choose a folder for the downloads."), owner);
        return false;
    case FolderCheck::State::Missing:
        if (MessageBox::ask(tr("The folder %1 does not exist. Create it?").arg(quoted(path)),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No,
                            owner) != QMessageBox::Yes)
            return false;
        if (FolderCheck::create(path) && FolderCheck::of(path) == FolderCheck::State::Ready)
            return true;
        MessageBox::show(tr("Error: Could not create the folder %1.").arg(quoted(path)), owner);
        return false;
    case FolderCheck::State::NotAFolder:
    case FolderCheck::State::NotWritable:
        break;
    }
    MessageBox::show(
        tr("Error: The folder %1 cannot be written. Choose another folder.").arg(quoted(path)),
        owner);
    return false;
}

bool SettingsTab::savePending() {
    if (!folderReady(narrow(movieFolder->text())) || !folderReady(narrow(musicFolder->text())))
        return false;
    const Settings wanted = edited(shown);
    if (!saveValues || !saveValues(wanted)) {
        MessageBox::show(tr("Error: Could not save the settings."), window());
        return false;
    }
    shown = wanted;
    setSaveEnabled(false);
    return true;
}

bool SettingsTab::settle(bool cancellable) {
    if (!isSaveEnabled())
        return true;
    QMessageBox::StandardButtons buttons = QMessageBox::Save | QMessageBox::Discard;
    if (cancellable)
        buttons |= QMessageBox::Cancel;
    switch (MessageBox::ask(tr("The settings have unsaved changes. Save them?"), buttons,
                            QMessageBox::Save, window())) {
    case QMessageBox::Save:
        return savePending();
    case QMessageBox::Discard:
        display(shown);
        emit discarded();
        return true;
    default:
        return false;
    }
}

QRadioButton* SettingsTab::qualityButton(int level) const {
    return level >= 1 && level <= 4 ? quality[static_cast<std::size_t>(level - 1)] : nullptr;
}

std::array<QAbstractButton*, 9> SettingsTab::toggles() const {
    return {showMovies, showMusic,  autoConvert, notify,    quality[0],
            quality[1], quality[2], quality[3],  limitSpeed};
}

void SettingsTab::setSaveEnabled(bool enabled) {
    save->setEnabled(enabled);
}

bool SettingsTab::isSaveEnabled() const {
    return save->isEnabled();
}

void SettingsTab::display(const Settings& settings) {
    shown = settings;
    movieFolder->setText(wide(settings.movieFolder));
    musicFolder->setText(wide(settings.musicFolder));
    showMovies->setChecked(settings.showMovies);
    showMusic->setChecked(settings.showMusic);
    autoConvert->setChecked(settings.convertToMp3);
    notify->setChecked(settings.notify);
    maxRunning->setValue(settings.maxRunning);
    connections->setValue(settings.connectionsPerTransfer);
    limitSpeed->setChecked(settings.speedLimit > 0);
    // Off shows the rate last chosen, ready to be turned on again.
    speedRate->setValue(settings.speedLimit > 0 ? settings.speedLimit : settings.speedLimitRate);
    if (QRadioButton* button = qualityButton(settings.quality))
        button->setChecked(true);
    // Filling raised the controls' change handlers.
    setSaveEnabled(false);
}

Settings SettingsTab::edited(const Settings& base) const {
    Settings settings = base;
    settings.movieFolder = narrow(movieFolder->text());
    settings.musicFolder = narrow(musicFolder->text());
    settings.showMovies = showMovies->isChecked();
    settings.showMusic = showMusic->isChecked();
    settings.convertToMp3 = autoConvert->isChecked();
    settings.notify = notify->isChecked();
    settings.maxRunning = maxRunning->value();
    settings.connectionsPerTransfer = connections->value();
    settings.speedLimit = limitSpeed->isChecked() ? speedRate->value() : 0;
    settings.speedLimitRate = speedRate->value();
    settings.quality = Settings::LowQuality;
    for (int level = Settings::HighestQuality; level < Settings::LowQuality; ++level)
        if (qualityButton(level)->isChecked())
            settings.quality = level;
    return settings;
}
