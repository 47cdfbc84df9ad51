#pragma once

#include <string>

// Percent-decodes text in place: every "%" and two hex digits becomes that
// byte, everything else ("+" included) is kept. Any byte, NUL included, is an
// ordinary byte, and the text never grows, so a page is decoded without a
// second copy.
void percentDecode(std::string& text);

// The value of one hex digit, -1 for any other byte.
int hexDigitValue(char c);
