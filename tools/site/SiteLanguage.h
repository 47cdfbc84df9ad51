#pragma once

#include <string_view>

// The languages the site's welcome pages are written in.
enum class SiteLanguage { English, German };

// The language a visitor asks for in its Accept-Language header: German
// when it ranks German above English (or names German and not English);
// English otherwise, and for a header that cannot be read.
SiteLanguage siteLanguageFor(std::string_view acceptLanguage);

// "en" or "de", for the page's lang and the Content-Language header.
const char* languageTag(SiteLanguage language);
