#pragma once

#include <QObject>

#include <functional>

class FolderChooser;
class QLineEdit;
class SettingsTab;

// The Settings tab's handlers: the two Browse buttons fill their folder box
// from the shared chooser, any change of a check box, a radio button, the
// transfers at once or a typed folder enables "Save Settings", and a save
// that succeeds disables it again.
class SettingsTabHandlers : public QObject {
    Q_OBJECT
public:
    using Save = std::function<bool()>;

    SettingsTabHandlers(SettingsTab* tab, FolderChooser& chooser, Save save);

private:
    void browseInto(QLineEdit* box);
    void onSave();

    SettingsTab* tab;
    FolderChooser& chooser;
    Save save;
};
