#include "SettingsTab.h"

#include "Settings.h"
#include "Text.h"

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
    save = named<QPushButton>(this, "saveButton", tr("Save Settings"));
    save->setEnabled(false);

    auto* movieLabel = named<QLabel>(downloads, "movieFolderLabel", tr("Save movie files in"));
    movieFolder = named<QLineEdit>(downloads, "movieFolderBox");
    movieBrowse = named<QPushButton>(downloads, "movieBrowseButton", tr("Browse"));
    auto* mp3Label = named<QLabel>(downloads, "musicFolderLabel", tr("Save mp3 files in"));
    musicFolder = named<QLineEdit>(downloads, "musicFolderBox");
    musicBrowse = named<QPushButton>(downloads, "musicBrowseButton", tr("Browse"));
    notify = named<QCheckBox>(downloads, "notifyBox", tr("Notify me when a transfer ends"));
    // Each label names its box (screen readers, and a click on it).
    movieLabel->setBuddy(movieFolder);
    mp3Label->setBuddy(musicFolder);
    movieBrowse->setAccessibleName(tr("Browse for the movie folder"));
    musicBrowse->setAccessibleName(tr("Browse for the mp3 folder"));
    auto* runningLabel = new QLabel(tr("Transfers at once"), downloads); // owned by the box
    maxRunning = new QSpinBox(downloads);                                // owned by the box
    maxRunning->setRange(Settings::MinRunning, Settings::MaxRunning);
    runningLabel->setBuddy(maxRunning);
    auto* runningRow = new QHBoxLayout();
    runningRow->addWidget(runningLabel);
    runningRow->addWidget(maxRunning);
    runningRow->addStretch(1);
    limitSpeed = named<QCheckBox>(downloads, "speedLimitBox", tr("Limit download speed"));
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
        tr("The limit is shared by all transfers. Streams that ffmpeg fetches (HLS) are not "
           "limited."));
    limitNote->setWordWrap(true);
    auto* limitRow = new QHBoxLayout();
    limitRow->addWidget(limitSpeed);
    limitRow->addWidget(speedRate);
    limitRow->addStretch(1);
    connect(limitSpeed, &QCheckBox::toggled, speedRate, &QWidget::setEnabled);
    // The Settings tab's handlers watch the toggles; the rate is watched here.
    connect(speedRate, &QSpinBox::valueChanged, this, [this] { setSaveEnabled(true); });
    auto* grid = new QGridLayout(downloads);
    grid->addWidget(movieLabel, 0, 0, 1, 2);
    grid->addWidget(movieFolder, 1, 0);
    grid->addWidget(movieBrowse, 1, 1);
    grid->addWidget(mp3Label, 2, 0, 1, 2);
    grid->addWidget(musicFolder, 3, 0);
    grid->addWidget(musicBrowse, 3, 1);
    grid->addWidget(notify, 4, 0, 1, 2);
    grid->addLayout(runningRow, 5, 0, 1, 2);
    grid->addLayout(limitRow, 6, 0, 1, 2);
    grid->addWidget(limitNote, 7, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    quality = {named<QRadioButton>(qualityBox, "qualityHighest", tr("Highest (MP4)")),
               named<QRadioButton>(qualityBox, "qualityHigh", tr("High")),
               named<QRadioButton>(qualityBox, "qualityMedium", tr("Medium")),
               named<QRadioButton>(qualityBox, "qualityLow",
                                   tr("Low (Fastest - Recommended for mp3 conversion)"))};
    // Two by two, so that the long last one fits a narrow window.
    auto* qualityGrid = new QGridLayout(qualityBox);
    for (std::size_t i = 0; i < quality.size(); ++i)
        qualityGrid->addWidget(quality[i], static_cast<int>(i / 2), static_cast<int>(i % 2));
    qualityGrid->setColumnStretch(2, 1);

    showMovies = named<QCheckBox>(library, "showMoviesBox", tr("Movies"));
    showMusic = named<QCheckBox>(library, "showMusicBox", tr("Music"));
    auto* libraryRow = new QHBoxLayout(library);
    libraryRow->addWidget(showMovies);
    libraryRow->addWidget(showMusic);
    libraryRow->addStretch(1);

    autoConvert = named<QCheckBox>(conversion, "autoConvertBox",
                                   tr("Automatically convert downloaded movies to mp3."));
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
    movieFolder->setText(wide(settings.movieFolder));
    musicFolder->setText(wide(settings.musicFolder));
    showMovies->setChecked(settings.showMovies);
    showMusic->setChecked(settings.showMusic);
    autoConvert->setChecked(settings.convertToMp3);
    notify->setChecked(settings.notify);
    maxRunning->setValue(settings.maxRunning);
    limitSpeed->setChecked(settings.speedLimit > 0);
    // Off keeps the last rate shown, ready to be turned on again.
    if (settings.speedLimit > 0)
        speedRate->setValue(settings.speedLimit);
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
    settings.speedLimit = limitSpeed->isChecked() ? speedRate->value() : 0;
    settings.quality = Settings::LowQuality;
    for (int level = Settings::HighestQuality; level < Settings::LowQuality; ++level)
        if (qualityButton(level)->isChecked())
            settings.quality = level;
    return settings;
}
