#pragma once

#include <deque>
#include <mutex>
#include <random>
#include <set>
#include <string>

// The cookie the cookie form's watch page sets and its media asks for: a
// random value per page view, remembered (the latest few thousand) so that
// only a value this site handed out opens the media. Shared by the server's
// worker threads.
class CookieGate {
public:
    static constexpr const char* kName = "quillmoth_demo";

    // A new value, remembered from now on.
    std::string issue();
    // Whether a Cookie header ("a=1; quillmoth_demo=...") carries a value
    // this site handed out.
    bool admits(const std::string& cookieHeader) const;

private:
    mutable std::mutex mutex_;
    std::random_device random_;
    std::deque<std::string> order_; // oldest first, for forgetting
    std::set<std::string> issued_;
};
