#include "tools/site/PackageRoutes.h"

#include "tools/site/FormPages.h"
#include "tools/site/PageForms.h"
#include "tools/site/SitePages.h"

namespace {

void notFound(httplib::Response& res, const std::string& origin, const std::string& what) {
    res.status = 404;
    res.set_content(SitePages::notFound(origin, what), "text/html; charset=utf-8");
}

} // namespace

void addPackageRoutes(httplib::Server& svr, ClipCache& cache, SiteMedia& media, OriginOf origin) {
    svr.Get(R"(/watch/(hls|dash))", [origin](const httplib::Request& req, httplib::Response& res) {
        const std::string id = req.get_param_value("v");
        const DemoClip* clip = PageForms::packagedClip(id);
        if (!clip)
            return notFound(res, origin(req), req.path + "?v=" + id);
        res.set_content(req.matches[1] == "hls" ? FormPages::hls(origin(req), *clip)
                                                : FormPages::dash(origin(req), *clip),
                        "text/html; charset=utf-8");
    });
    svr.Get(R"(/(hls|dash)/([a-z0-9]+)/([A-Za-z0-9_.-]+))",
            [&cache, &media, origin](const httplib::Request& req, httplib::Response& res) {
                const DemoClip* clip = PageForms::packagedClip(req.matches[2]);
                if (!clip)
                    return notFound(res, origin(req), req.path);
                const Packaging packaging =
                    req.matches[1] == "hls" ? Packaging::Hls : Packaging::Dash;
                // Made at start; a visitor who comes sooner waits here for it.
                const auto files = cache.package(*clip, packaging);
                if (!files) {
                    res.status = 503;
                    return res.set_content("ffmpeg could not make this clip\n", "text/plain");
                }
                const auto file = files->find(req.matches[3]);
                if (file == files->end())
                    return notFound(res, origin(req), req.path);
                media.send(req, res, file->second, StreamPackage::contentType(file->first));
            });
}
