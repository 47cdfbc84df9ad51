#include "jobs/CoverFetch.h"

#include "http/HttpClient.h"
#include "jobs/JobOptions.h"
#include "media/CoverArt.h"
#include "page/PageSources.h"

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
    HttpRequest request = HttpRequest::page(url, options);
    request.maxBytes = maxBytes;
    request.deadlineSeconds = options.pictureDeadlineSeconds;
    request.cancel = cancel;
    std::string picture;
    const HttpResponse fetched = HttpClient::fetchPage(request, picture);
    if (!fetched.ok() || fetched.status < 200 || fetched.status > 299 || !isImageType(fetched.type))
        return false;
    return cover.make(picture, cancel);
}

bool CoverFetch::fetchFromPage(CoverArt& cover, const JobOptions& options,
                               const CancelToken* cancel) {
    if (options.pageUrl.empty())
        return false;
    HttpRequest request = HttpRequest::page(options.pageUrl, options);
    request.cancel = cancel;
    std::string page;
    const HttpResponse fetched = HttpClient::fetchPage(request, page);
    if (!fetched.ok())
        return false;
    // The picture is the page's: asked for with it as the Referer.
    JobOptions asPage = options;
    asPage.referer = fetched.address;
    asPage.cookies = fetched.cookies;
    return fetch(cover, asPage, PageSources::read(page, fetched.address).picture, cancel);
}
