#include "tools/site/FormRoutes.h"

#include "tools/site/FormPages.h"
#include "tools/site/PageForms.h"
#include "tools/site/SitePages.h"

namespace {

void html(httplib::Response& res, const std::string& body) {
    res.set_content(body, "text/html; charset=utf-8");
}

void notFound(httplib::Response& res, const std::string& origin, const std::string& what) {
    res.status = 404;
    html(res, SitePages::notFound(origin, what));
}

// Every Cookie header of the request as one.
std::string cookiesOf(const httplib::Request& req) {
    std::string all;
    for (std::size_t i = 0; i < req.get_header_value_count("Cookie"); ++i)
        all += (all.empty() ? "" : "; ") + req.get_header_value("Cookie", i);
    return all;
}

} // namespace

void addFormRoutes(httplib::Server& svr, SiteMedia& media, CookieGate& cookies, OriginOf origin) {
    svr.Get(R"(/watch/(video|og|jsonld|cookie|referer))",
            [&cookies, origin](const httplib::Request& req, httplib::Response& res) {
                const std::string form = req.matches[1];
                const PageKind kind = form == "video"    ? PageKind::Video
                                      : form == "og"     ? PageKind::OpenGraph
                                      : form == "jsonld" ? PageKind::JsonLd
                                      : form == "cookie" ? PageKind::Cookie
                                                         : PageKind::Referer;
                const std::string id = req.get_param_value("v");
                const DemoClip* clip = PageForms::mp4Clip(id);
                if (!clip)
                    return notFound(res, origin(req), req.path + "?v=" + id);
                if (kind == PageKind::Video)
                    html(res, FormPages::video(origin(req), *clip));
                else if (kind == PageKind::OpenGraph)
                    html(res, FormPages::openGraph(origin(req), *clip));
                else if (kind == PageKind::JsonLd)
                    html(res, FormPages::jsonLd(origin(req), *clip));
                else
                    html(res, FormPages::gated(origin(req), *clip, kind));
                if (kind == PageKind::Cookie)
                    res.set_header("Set-Cookie", std::string(CookieGate::kName) + "=" +
                                                     cookies.issue() + "; Path=/");
            });
    svr.Get(R"(/media/([a-z0-9]+)/(360|720)\.mp4)",
            [&media, origin](const httplib::Request& req, httplib::Response& res) {
                const DemoClip* clip = PageForms::mp4Clip(req.matches[1]);
                if (!clip)
                    return notFound(res, origin(req), req.path);
                media.answer(req, res, *clip, Container::Mp4, std::stoi(req.matches[2]));
            });
    svr.Get(R"(/clip/([a-z0-9]+)\.mp4)",
            [&media, origin](const httplib::Request& req, httplib::Response& res) {
                const DemoClip* clip = PageForms::mp4Clip(req.matches[1]);
                if (!clip)
                    return notFound(res, origin(req), req.path);
                media.answer(req, res, *clip, Container::Mp4, PageForms::kSmallLines);
            });
    svr.Get(R"(/gated/(cookie|referer)/([a-z0-9]+)\.mp4)",
            [&media, &cookies, origin](const httplib::Request& req, httplib::Response& res) {
                const DemoClip* clip = PageForms::mp4Clip(req.matches[2]);
                if (!clip)
                    return notFound(res, origin(req), req.path);
                const PageKind gate =
                    req.matches[1] == "cookie" ? PageKind::Cookie : PageKind::Referer;
                const bool open =
                    gate == PageKind::Cookie
                        ? cookies.admits(cookiesOf(req))
                        : req.get_header_value("Referer") ==
                              origin(req) + PageForms::address(PageKind::Referer, clip->id);
                if (!open) {
                    res.status = 403;
                    return html(res, FormPages::refused(origin(req), gate, clip->id));
                }
                media.answer(req, res, *clip, Container::Mp4, PageForms::kSmallLines);
            });
}
