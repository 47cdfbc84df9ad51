#include "app/window/FolderChooser.h"

#include <QFileDialog>

#include <utility>

namespace {

QString showDialog(QWidget* parent, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, QString(), start);
}

} // namespace

FolderChooser::FolderChooser(QWidget* parent) : parent(parent), dialog(&showDialog) {}

QString FolderChooser::choose() {
    const QString chosen = dialog(parent, selected);
    if (!chosen.isEmpty())
        selected = chosen;
    return selected;
}

void FolderChooser::setDialog(Dialog replacement) {
    dialog = replacement ? std::move(replacement) : Dialog(&showDialog);
}
