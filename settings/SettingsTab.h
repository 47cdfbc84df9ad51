#pragma once

class QWidget;

// The Settings tab page, tabPage5, with its group boxes and controls. The
// window wires the handlers; the store finds the controls by name.
class SettingsTab {
public:
    // Builds the page and its whole control tree under parent.
    static QWidget* build(QWidget* parent);

    // Enables or disables "Save Settings" on a page built above; the window's
    // check-box, radio-button and Browse handlers enable it, a successful
    // save disables it.
    static void setSaveEnabled(QWidget* tab, bool enabled);
    static bool isSaveEnabled(QWidget* tab);
};
