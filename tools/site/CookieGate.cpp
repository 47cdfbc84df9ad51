#include "tools/site/CookieGate.h"

#include <cstdio>
#include <string_view>

namespace {

constexpr std::size_t kRemembered = 4096;

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::string CookieGate::issue() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string value;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random_()));
        value += part;
    }
    if (issued_.insert(value).second)
        order_.push_back(value);
    if (order_.size() > kRemembered) {
        issued_.erase(order_.front());
        order_.pop_front();
    }
    return value;
}

bool CookieGate::admits(const std::string& cookieHeader) const {
    const std::string_view prefix = std::string_view(kName);
    std::string_view rest = cookieHeader;
    std::lock_guard<std::mutex> lock(mutex_);
    while (!rest.empty()) {
        const auto end = rest.find(';');
        const std::string_view pair = trimmed(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const auto equals = pair.find('=');
        if (equals != std::string_view::npos && pair.substr(0, equals) == prefix &&
            issued_.count(std::string(pair.substr(equals + 1))))
            return true;
    }
    return false;
}
