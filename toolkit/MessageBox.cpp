#include "MessageBox.h"

#include <QMessageBox>

#include <utility>

namespace {
// Window thread only, like every control.
MessageBox::Sink& currentSink() {
    static MessageBox::Sink sink;
    return sink;
}
} // namespace

void MessageBox::show(const QString& text, QWidget* parent) {
    if (const Sink& sink = currentSink()) {
        sink(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, parent);
    box.exec();
}

MessageBox::Sink MessageBox::setSink(Sink sink) {
    return std::exchange(currentSink(), std::move(sink));
}
