#include "CoverFetch.h"

#include "CoverArt.h"
#include "CurlHandle.h"
#include "HttpFetch.h"
#include "JobOptions.h"
#include "PagePicture.h"

#include <cctype>

namespace {

bool isImageType(std::string type) {
    for (char& c : type)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return type.compare(0, 6, "image/") == 0;
}

} // namespace

bool CoverFetch::fetch(CoverArt& cover, const JobOptions& options, const std::string& url,
                       const CancelToken* cancel) {
    if (url.empty())
        return false;
    std::string picture;
    {
        CurlHandle curl(options.curlFactory);
        if (!curl || HttpFetch(options, maxBytes, options.pictureDeadlineSeconds)
                             .page(curl.get(), url, picture, cancel) != CURLE_OK)
            return false;
        const long status = HttpFetch::status(curl.get());
        if (status < 200 || status > 299 || !isImageType(HttpFetch::contentType(curl.get())))
            return false;
    }
    return cover.make(picture, cancel);
}

bool CoverFetch::fetchFromPage(CoverArt& cover, const JobOptions& options,
                               const CancelToken* cancel) {
    if (options.pageUrl.empty())
        return false;
    std::string page;
    std::string pageAddress;
    {
        CurlHandle curl(options.curlFactory);
        if (!curl || HttpFetch(options).page(curl.get(), options.pageUrl, page, cancel) != CURLE_OK)
            return false;
        pageAddress = HttpFetch::finalAddress(curl.get(), options.pageUrl);
    }
    return fetch(cover, options, PagePicture::address(page, pageAddress), cancel);
}
