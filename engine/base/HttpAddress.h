#pragma once

#include <string_view>

// Only what a fetch may reach: an address starting "http://" or "https://"
// (in any case) and naming something beyond it; never file:, data:,
// javascript: or ftp:.
bool isHttpAddress(std::string_view address);

// The address without its query and fragment: what names the file.
std::string_view withoutQuery(std::string_view address);
