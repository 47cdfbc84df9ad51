#pragma once

#include <QList>
#include <QMessageBox>
#include <QPair>
#include <QString>

#include <functional>

class QWidget;

// Shows a modal box with one text, no caption and an OK button, or asks a
// question with standard buttons. Tests install a sink (and an asker) so
// that no modal box ever blocks them.
class MessageBox {
public:
    using Sink = std::function<void(const QString& text)>;
    using Asker = std::function<QMessageBox::StandardButton(const QString& text,
                                                            QMessageBox::StandardButtons buttons)>;

    static void show(const QString& text, QWidget* parent = nullptr);
    // The button chosen. With a sink but no asker installed, the text goes
    // to the sink and the answer is byDefault.
    // labels: texts of our own for some of the buttons.
    static QMessageBox::StandardButton
    ask(const QString& text, QMessageBox::StandardButtons buttons,
        QMessageBox::StandardButton byDefault, QWidget* parent = nullptr,
        const QList<QPair<QMessageBox::StandardButton, QString>>& labels = {});

    // An about box: the program's icon, a caption and rich text whose links
    // open in the desktop's browser. A sink receives the text.
    static void about(const QString& caption, const QString& text, QWidget* parent = nullptr);

    // A close nobody may be asked about (a signal, a logout): every open
    // dialog and menu ends as if cancelled, and from now on no box is
    // shown: texts go to the log, questions are answered Cancel.
    static void endAll();

    // Replaces the box (an empty sink restores it); returns the previous sink.
    static Sink setSink(Sink sink);
    // Replaces the question box the same way.
    static Asker setAsker(Asker asker);
};
