#include "page/PercentDecoder.h"

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void percentDecode(std::string& text) {
    std::size_t in = text.find('%');
    if (in == std::string::npos)
        return;
    std::size_t out = in;
    const std::size_t size = text.size();
    while (in < size) {
        const char c = text[in];
        const int high = c == '%' && in + 2 < size ? hexDigitValue(text[in + 1]) : -1;
        const int low = high < 0 ? -1 : hexDigitValue(text[in + 2]);
        if (low < 0) {
            text[out++] = c;
            ++in;
        } else {
            text[out++] = static_cast<char>(high * 16 + low);
            in += 3;
        }
    }
    text.resize(out);
}
