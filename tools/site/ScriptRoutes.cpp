#include "tools/site/ScriptRoutes.h"

#include "tools/site/PageForms.h"
#include "tools/site/ScriptPages.h"
#include "tools/site/SitePages.h"

namespace {

void notFound(httplib::Response& res, const std::string& origin, const std::string& what) {
    res.status = 404;
    res.set_content(SitePages::notFound(origin, what), "text/html; charset=utf-8");
}

} // namespace

void addScriptRoutes(httplib::Server& svr, SiteMedia& media, OriginOf origin) {
    svr.Get(R"(/watch/(script|blob))",
            [origin](const httplib::Request& req, httplib::Response& res) {
                const bool blob = req.matches[1] == "blob";
                const std::string id = req.get_param_value("v");
                // The Media Source page plays from the HLS package, made for one clip.
                const DemoClip* clip = blob ? PageForms::packagedClip(id) : PageForms::mp4Clip(id);
                if (!clip)
                    return notFound(res, origin(req), req.path + "?v=" + id);
                res.set_content(blob ? ScriptPages::mediaSource(origin(req), *clip)
                                     : ScriptPages::fetched(origin(req), *clip),
                                "text/html; charset=utf-8");
            });
    svr.Get(R"(/api/clip/([a-z0-9]+)\.json)",
            [origin](const httplib::Request& req, httplib::Response& res) {
                const DemoClip* clip = PageForms::mp4Clip(req.matches[1]);
                if (!clip)
                    return notFound(res, origin(req), req.path);
                res.set_content(ScriptPages::clipJson(*clip), "application/json");
            });
    svr.Get(R"(/hls/([a-z0-9]+)/360\.webm)",
            [&media, origin](const httplib::Request& req, httplib::Response& res) {
                const DemoClip* clip = PageForms::packagedClip(req.matches[1]);
                if (!clip)
                    return notFound(res, origin(req), req.path);
                media.answer(req, res, *clip, Container::WebM, PageForms::kSmallLines);
            });
}
