#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>

// How many connections every transfer together may hold to one host at once
// (16 by default): a file fetched over several connections asks for each one
// beyond its first. Shared like the speed limit, one for the whole program
// (the transfer list's, the command line's). Thread-safe.
class HostBudget {
public:
    // A connection's place in the budget, given back when it goes.
    class Slot {
    public:
        Slot() = default;
        ~Slot();
        Slot(Slot&& other) noexcept;
        Slot& operator=(Slot&& other) noexcept;
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;

        explicit operator bool() const { return budget_ != nullptr; }

    private:
        friend class HostBudget;
        Slot(HostBudget* budget, std::string host) : budget_(budget), host_(std::move(host)) {}
        HostBudget* budget_ = nullptr;
        std::string host_;
    };

    explicit HostBudget(int perHost = defaultPerHost);

    // A slot for one more connection to host; an empty one when host has
    // perHost already, unless forced (a transfer's first connection always
    // runs, as a transfer of one connection does). The budget must outlive it.
    Slot take(const std::string& host, bool forced = false);
    // Connections held to host now.
    int held(const std::string& host) const;

    // The host of an http(s) address, lower case; empty when it names none.
    static std::string hostOf(const std::string& url);

    static constexpr int defaultPerHost = 16;

private:
    void give(const std::string& host);

    const int perHost_;
    mutable std::mutex mutex_;
    std::map<std::string, int> held_;
};
