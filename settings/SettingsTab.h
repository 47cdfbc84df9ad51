#pragma once

#include <QWidget>

#include <array>

struct Settings;
class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The Settings tab page with its group boxes and controls, bound to a
// Settings value: display() fills the controls, edited() reads them back.
// The code reaches the controls through the typed members below.
class SettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit SettingsTab(QWidget* parent = nullptr);

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
    // "Limit download speed" and its rate in kB/s, for all transfers together.
    QCheckBox* speedLimitBox() const { return limitSpeed; }
    QSpinBox* speedLimitRateBox() const { return speedRate; }
    QPushButton* saveButton() const { return save; }

    // Every check box and radio button, for handlers that react to any of them.
    std::array<QAbstractButton*, 9> toggles() const;

    // Fills the controls from settings; nothing is pending afterwards.
    void display(const Settings& settings);
    // base with what the controls show; settings the tab has no control for
    // keep base's values.
    Settings edited(const Settings& base) const;

    // "Save Settings": enabled by any change, disabled by a successful save.
    void setSaveEnabled(bool enabled);
    bool isSaveEnabled() const;

private:
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
    QCheckBox* limitSpeed;
    QSpinBox* speedRate;
    QPushButton* save;
};
