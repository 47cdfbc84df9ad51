#pragma once

#include <curl/curl.h>

#include <string>

// Percent-decodes a whole NUL-terminated text (null counts as empty) with
// libcurl: every "%" and two hex digits becomes that byte, everything else
// ("+" included) is kept. The result ends at its first NUL byte, so a "%00"
// cuts the text there. Empty when libcurl cannot decode (out of memory).
std::string percentDecode(CURL* curl, const char* text);
