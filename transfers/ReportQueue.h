#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

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

    // Removes and returns the first max elements (all when fewer) under one
    // lock, so that a reader draining many reports holds the lock once
    // rather than twice a report while workers wait to push.
    std::vector<T> take(std::size_t max) {
        std::vector<T> taken;
        std::lock_guard lock(mutex_);
        const std::size_t n = std::min(max, items_.size());
        taken.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            taken.push_back(std::move(items_.front()));
            items_.pop_front();
        }
        return taken;
    }

    // Everything queued so far, under one lock.
    std::vector<T> takeAll() { return take(std::numeric_limits<std::size_t>::max()); }

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
