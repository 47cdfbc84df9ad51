#include "toolkit/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>

#include <utility>

namespace {
// Window thread only, like every control.
MessageBox::Sink& currentSink() {
    static MessageBox::Sink sink;
    return sink;
}
MessageBox::Asker& currentAsker() {
    static MessageBox::Asker asker;
    return asker;
}
bool& ended() {
    static bool closing = false;
    return closing;
}
} // namespace

void MessageBox::show(const QString& text, QWidget* parent) {
    if (const Sink& sink = currentSink()) {
        sink(text);
        return;
    }
    if (ended()) {
        qInfo("%s", qPrintable(text));
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, parent);
    box.exec();
}

QMessageBox::StandardButton
MessageBox::ask(const QString& text, QMessageBox::StandardButtons buttons,
                QMessageBox::StandardButton byDefault, QWidget* parent,
                const QList<QPair<QMessageBox::StandardButton, QString>>& labels) {
    if (const Asker& asker = currentAsker())
        return asker(text, buttons);
    if (const Sink& sink = currentSink()) {
        sink(text);
        return byDefault;
    }
    if (ended())
        return QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, QString(), text, buttons, parent);
    box.setDefaultButton(byDefault);
    for (const auto& [button, label] : labels)
        if (QAbstractButton* shown = box.button(button))
            shown->setText(label);
    const int chosen = box.exec();
    // Esc or the window's close button: the Cancel of the question, if any.
    if (chosen == 0 || ended())
        return QMessageBox::Cancel;
    return static_cast<QMessageBox::StandardButton>(chosen);
}

void MessageBox::about(const QString& caption, const QString& text, QWidget* parent) {
    if (const Sink& sink = currentSink()) {
        sink(text);
        return;
    }
    if (ended())
        return;
    QMessageBox::about(parent, caption, text);
}

void MessageBox::endAll() {
    ended() = true;
    // A menu's own loop (a context menu) ends when it closes.
    for (QWidget* popup = QApplication::activePopupWidget(); popup;) {
        popup->close();
        QWidget* next = QApplication::activePopupWidget();
        popup = next == popup ? nullptr : next;
    }
    // Each dialog's exec() returns once its loop runs again: nested ones
    // unwind one after the other.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible())
            dialog->reject();
}

MessageBox::Sink MessageBox::setSink(Sink sink) {
    return std::exchange(currentSink(), std::move(sink));
}

MessageBox::Asker MessageBox::setAsker(Asker asker) {
    return std::exchange(currentAsker(), std::move(asker));
}
