#pragma once

#include "settings/Settings.h"

#include <QWidget>

#include <array>
#include <functional>
#include <string>

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The Settings tab page with its group boxes and controls, bound to a
// Settings value: display() fills the controls, edited() reads them back.
// Any change enables "Save Settings"; a save first checks both folders (a
// missing one is offered to be created, one that takes no files is
// refused), then hands the values to the owner's Save, and disables the
// button when that succeeds. The Browse buttons fill their folder box from
// the owner's chooser. The code reaches the controls through the typed
// members below.
class SettingsTab : public QWidget {
    Q_OBJECT
public:
    // Puts the values in force and saves them; false when they could not be
    // saved.
    using Save = std::function<bool(const Settings&)>;
    // A folder the user chose, or an empty text for none.
    using ChooseFolder = std::function<QString()>;

    explicit SettingsTab(QWidget* parent = nullptr);

    void setSave(Save save);
    void setChooseFolder(ChooseFolder choose);

    QLineEdit* movieFolderBox() const { return movieFolder; }
    QLineEdit* musicFolderBox() const { return musicFolder; }
    QPushButton* movieBrowseButton() const { return movieBrowse; }
    QPushButton* musicBrowseButton() const { return musicBrowse; }
    // quality 1 (highest) to 4 (low).
    QRadioButton* qualityButton(int quality) const;
    QCheckBox* showMoviesBox() const { return showMovies; }
    QCheckBox* showMusicBox() const { return showMusic; }
    QCheckBox* autoConvertBox() const { return autoConvert; }
    QCheckBox* notifyBox() const { return notify; }
    // "Transfers at once", 1 to 8.
    QSpinBox* maxRunningBox() const { return maxRunning; }
    // "Connections per transfer", 1 to 16.
    QSpinBox* connectionsBox() const { return connections; }
    // "Limit download speed" and its rate in kB/s, for all transfers together.
    QCheckBox* speedLimitBox() const { return limitSpeed; }
    QSpinBox* speedLimitRateBox() const { return speedRate; }
    // "Save subtitle tracks" and their languages, comma-separated codes
    // (empty: all), editable only while the box is checked.
    QCheckBox* saveSubtitlesBox() const { return saveSubtitles; }
    QLineEdit* subtitleLanguagesBox() const { return subtitleLanguages; }
    QPushButton* saveButton() const { return save; }

    // Every check box and radio button.
    std::array<QAbstractButton*, 10> toggles() const;

    // Fills the controls from settings; nothing is pending afterwards.
    void display(const Settings& settings);
    // base with what the controls show; settings the tab has no control for
    // keep base's values.
    Settings edited(const Settings& base) const;

    // "Save Settings": enabled by any change, disabled by a successful save.
    void setSaveEnabled(bool enabled);
    bool isSaveEnabled() const;

    // Checks the folders and saves; true when saved. A refusal or failure is
    // said, and the changes stay pending.
    bool savePending();
    // Unsaved changes are saved or discarded, as the user answers; with
    // cancellable, the user may also stay. True when the caller may go on.
    bool settle(bool cancellable);

signals:
    // The user discarded the changes, and the tab shows again what it showed
    // or saved last; the owner may show the settings in force instead.
    void discarded();

private:
    void watchChanges();
    void browseInto(QLineEdit* box);
    // A folder that can take files, made if the user agrees.
    bool folderReady(const std::string& path);
    // The subtitle languages as they are kept ("en,de"), or a refusal said.
    bool subtitleLanguagesReady(std::string& kept);

    Save saveValues;
    ChooseFolder chooseFolder;
    // What display() showed last: the values of the settings the tab has no
    // control for.
    Settings shown;
    QLineEdit* movieFolder;
    QLineEdit* musicFolder;
    QPushButton* movieBrowse;
    QPushButton* musicBrowse;
    std::array<QRadioButton*, 4> quality;
    QCheckBox* showMovies;
    QCheckBox* showMusic;
    QCheckBox* autoConvert;
    QCheckBox* notify;
    QSpinBox* maxRunning;
    QSpinBox* connections;
    QCheckBox* limitSpeed;
    QSpinBox* speedRate;
    QCheckBox* saveSubtitles;
    QLineEdit* subtitleLanguages;
    QPushButton* save;
};
