#pragma once

#include <QString>

#include <functional>

class QWidget;

// Shows a modal box with one text, no caption and an OK button. Tests install
// a sink so that no modal box ever blocks them.
class MessageBox {
public:
    using Sink = std::function<void(const QString& text)>;

    static void show(const QString& text, QWidget* parent = nullptr);

    // Replaces the box (an empty sink restores it); returns the previous sink.
    static Sink setSink(Sink sink);
};
