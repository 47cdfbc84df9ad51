#include "HttpAddress.h"

bool isHttpAddress(std::string_view address) {
    const auto startsWith = [address](std::string_view prefix) {
        if (address.size() <= prefix.size())
            return false;
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            const char c = address[i];
            if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != prefix[i])
                return false;
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

std::string_view withoutQuery(std::string_view address) {
    return address.substr(0, address.find_first_of("?#"));
}
