#pragma once

#include <string>
#include <string_view>

// A page's title without the name of its site, which pages add to every
// title ("Clip - Example") and which would make every file of a site end
// alike.
class SiteName {
public:
    // title without a trailing " - site", " | site", " – site" or " — site"
    // when site (trimmed, compared without regard to case) is what follows
    // the separator; as it was otherwise, and when nothing would be left.
    static std::string strip(std::string_view title, std::string_view site);
};
