#pragma once

#include <QObject>

#include <functional>

class FolderChooser;
class QLineEdit;
class QWidget;

// The Settings tab's handlers: the two Browse buttons fill their folder box
// from the shared chooser, any check box or radio button change enables
// "Save Settings", and a save that succeeds disables it again.
class SettingsTabHandlers : public QObject {
    Q_OBJECT
public:
    using Save = std::function<bool()>;

    SettingsTabHandlers(QWidget* tabPage5, FolderChooser& chooser, Save save);

private slots:
    void movieBrowseBtn_Click();
    void mp3BorwseButton_Click();
    void checkedChanged();
    void saveSettingsBtn_Click();

private:
    void browseInto(QLineEdit* box);

    QWidget* tab;
    FolderChooser& chooser;
    Save save;
};
