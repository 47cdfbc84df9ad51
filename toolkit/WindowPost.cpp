#include "toolkit/WindowPost.h"

#include <QMetaObject>
#include <QObject>

#include <utility>

WindowPost::WindowPost(QObject* context) : gate(std::make_shared<Gate>()) {
    gate->context = context;
}

bool WindowPost::operator()(std::function<void()> work) const {
    // Held while posting: the context cannot go in the middle of it.
    std::lock_guard lock(gate->mutex);
    if (!gate->context)
        return false;
    QMetaObject::invokeMethod(gate->context, std::move(work), Qt::QueuedConnection);
    return true;
}

void WindowPost::close() const {
    std::lock_guard lock(gate->mutex);
    gate->context = nullptr;
}
