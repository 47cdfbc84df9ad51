#pragma once

#include <string>
#include <string_view>

// Case as the web's names have it (schemes, hosts, tags, attribute values,
// media types, language codes): ASCII letters only, whatever the locale.
std::string asciiLowered(std::string_view text);
bool sameAscii(std::string_view a, std::string_view b);
