#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <utility>

// Multi-producer, single-consumer FIFO. Workers push from any thread; the
// window's thread reads the front, applies it and then pops it. Every
// operation holds the one lock, so nothing is lost, duplicated or torn and
// each producer's order is kept.
template <typename T> class ReportQueue {
public:
    void push(T value) {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(value));
    }

    // A copy of the front element, or nothing when the queue is empty.
    std::optional<T> front() const {
        std::lock_guard lock(mutex_);
        if (items_.empty())
            return std::nullopt;
        return items_.front();
    }

    void pop() {
        std::lock_guard lock(mutex_);
        if (!items_.empty())
            items_.pop_front();
    }

    void clear() {
        std::lock_guard lock(mutex_);
        items_.clear();
    }

    bool empty() const {
        std::lock_guard lock(mutex_);
        return items_.empty();
    }

    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return items_.size();
    }

private:
    mutable std::mutex mutex_;
    std::deque<T> items_;
};
