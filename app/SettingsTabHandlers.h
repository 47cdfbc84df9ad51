#pragma once

#include <QObject>

#include <functional>
#include <string>

class FolderChooser;
class QLineEdit;
class SettingsTab;

// The Settings tab's handlers: the two Browse buttons fill their folder box
// from the shared chooser, any change of a check box, a radio button, the
// transfers at once or a typed folder enables "Save Settings", and a save
// that succeeds disables it again. A save first checks both folders: a
// missing one is offered to be created, one that takes no files is refused.
class SettingsTabHandlers : public QObject {
    Q_OBJECT
public:
    // Saves what the tab shows; false when config.dat could not be written.
    using Save = std::function<bool()>;
    // Shows the settings in force again.
    using Revert = std::function<void()>;

    SettingsTabHandlers(SettingsTab* tab, FolderChooser& chooser, Save save, Revert revert);

    // Checks the folders and saves; true when saved. A refusal or failure is
    // said, and the changes stay pending.
    bool savePending();
    // Unsaved changes are saved or discarded, as the user answers; with
    // cancellable, the user may also stay. True when the caller may go on.
    bool settle(bool cancellable);

private:
    void browseInto(QLineEdit* box);
    // A folder that can take files, made if the user agrees.
    bool folderReady(const std::string& path);

    SettingsTab* tab;
    FolderChooser& chooser;
    Save save;
    Revert revert;
};
