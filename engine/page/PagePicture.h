#pragma once

#include <string>
#include <string_view>

// The picture a watch page shows for its video: its Open Graph image
// (<meta property="og:image" content="...">), else its thumbnail link
// (<link rel="image_src" href="..."> or an itemprop="thumbnailUrl"
// element), read against the page's address.
class PagePicture {
public:
    // The picture's http(s) address; empty when the page names none. The
    // page is read as it came (not percent-decoded), each tag once.
    static std::string address(std::string_view page, const std::string& pageAddress);
};
