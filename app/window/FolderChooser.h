#pragma once

#include <QString>

#include <functional>

class QWidget;

// The one folder chooser both Browse buttons share. Its selection is kept
// between uses: a cancelled choice leaves the previous folder (empty at
// first), which is what the caller receives.
class FolderChooser {
public:
    // Shows a chooser starting at `start`; returns the folder, or "" on cancel.
    using Dialog = std::function<QString(QWidget* parent, const QString& start)>;

    explicit FolderChooser(QWidget* parent);

    QString choose();
    QString selectedPath() const { return selected; }

    // Tests answer instead of a modal dialog.
    void setDialog(Dialog replacement);

private:
    QWidget* parent;
    QString selected;
    Dialog dialog;
};
