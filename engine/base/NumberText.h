#pragma once

#include <charconv>
#include <string_view>

// Numbers as pages write them.
namespace NumberText {

// The value of digit c in base 10 or 16 (either case), -1 for any other byte.
inline int digitValue(char c, int base) {
    int value = 16;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// The first number in a size hint or value: "720", "720p", "HD 1080",
// "1280 x 720" (1280); 0 for none.
inline long long firstNumber(std::string_view text) {
    while (!text.empty() && (text.front() < '0' || text.front() > '9'))
        text.remove_prefix(1);
    long long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace NumberText
