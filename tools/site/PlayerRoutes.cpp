#include "tools/site/PlayerRoutes.h"

#include "tools/site/PageForms.h"
#include "tools/site/PlayerPages.h"
#include "tools/site/SitePages.h"

namespace {

void notFound(httplib::Response& res, const std::string& origin, const std::string& what) {
    res.status = 404;
    res.set_content(SitePages::notFound(origin, what), "text/html; charset=utf-8");
}

} // namespace

void addPlayerRoutes(httplib::Server& svr, OriginOf origin) {
    svr.Get(R"(/watch/(lazy|three|tracks|protected|about))",
            [origin](const httplib::Request& req, httplib::Response& res) {
                const std::string form = req.matches[1];
                const std::string id = req.get_param_value("v");
                const DemoClip* clip = PageForms::mp4Clip(id);
                if (!clip)
                    return notFound(res, origin(req), req.path + "?v=" + id);
                const std::string o = origin(req);
                const std::string page = form == "lazy"     ? PlayerPages::lazy(o, *clip)
                                         : form == "three"  ? PlayerPages::several(o, *clip)
                                         : form == "tracks" ? PlayerPages::tracks(o, *clip)
                                         : form == "about"  ? PlayerPages::noVideo(o, *clip)
                                                            : PlayerPages::protectedPage(o, *clip);
                res.set_content(page, "text/html; charset=utf-8");
            });
    svr.Get(R"(/subs/([a-z0-9]+)\.(en|de)\.vtt)",
            [origin](const httplib::Request& req, httplib::Response& res) {
                const DemoClip* clip = PageForms::mp4Clip(req.matches[1]);
                if (!clip)
                    return notFound(res, origin(req), req.path);
                res.set_content(PlayerPages::subtitles(*clip, req.matches[2]), "text/vtt");
            });
    svr.Get(R"(/protected/([a-z0-9]+)/master\.m3u8)", [origin](const httplib::Request& req,
                                                               httplib::Response& res) {
        const DemoClip* clip = PageForms::mp4Clip(req.matches[1]);
        if (!clip)
            return notFound(res, origin(req), req.path);
        res.set_content(PlayerPages::protectedPlaylist(*clip), "application/vnd.apple.mpegurl");
    });
}
