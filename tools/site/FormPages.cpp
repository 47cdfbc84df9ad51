#include "tools/site/FormPages.h"

#include "tools/site/DemoCatalog.h"
#include "tools/site/PageForms.h"
#include "tools/site/SitePages.h"

#include <nlohmann/json.hpp>

namespace {

using SitePages::escapeHtml;

std::string meta(const std::string& property, const std::string& content) {
    return "<meta property=\"" + property + "\" content=\"" + escapeHtml(content) + "\">";
}

std::string cover(const std::string& origin, const DemoClip& clip) {
    return origin + "/cover/" + clip.id + ".bmp";
}

std::string noteOf(PageKind kind) {
    for (const PageForm& form : PageForms::all())
        if (form.kind == kind)
            return form.note;
    return {};
}

// The script that builds a browser's player from the page's metadata; the
// markup itself names no <video>.
const char* const kOpenGraphPlayer =
    "<div id=\"player\"></div><script>(function(){"
    "function og(p){var e=document.querySelector('meta[property=\"'+p+'\"]');"
    "return e?e.content:'';}"
    "var v=document.createElement('video');v.controls=true;v.preload='metadata';"
    "v.width=+og('og:video:width');v.height=+og('og:video:height');"
    "v.poster=og('og:image');v.src=og('og:video:url');"
    "document.getElementById('player').appendChild(v);})();</script>";

const char* const kJsonLdPlayer =
    "<div id=\"player\"></div><script>(function(){"
    "var d=JSON.parse(document.querySelector('script[type=\"application/ld+json\"]')"
    ".textContent);"
    "var o=(d['@graph']||[d]).filter(function(x){return x['@type']==='VideoObject';})[0];"
    "if(!o)return;var v=document.createElement('video');v.controls=true;"
    "v.preload='metadata';v.poster=o.thumbnailUrl;v.src=o.contentUrl;"
    "document.getElementById('player').appendChild(v);})();</script>";

// A player whose one <source> is a manifest of type.
std::string manifestPlayer(const std::string& origin, const DemoClip& clip, const std::string& url,
                           const char* type) {
    return "<video controls preload=\"metadata\" width=\"640\" height=\"360\" poster=\"" +
           escapeHtml(cover(origin, clip)) + "\"><source src=\"" + escapeHtml(url) + "\" type=\"" +
           type + "\">Your browser cannot play this video.</video>";
}

std::string isoDuration(int seconds) {
    return "PT" + (seconds >= 60 ? std::to_string(seconds / 60) + "M" : std::string()) +
           std::to_string(seconds % 60) + "S";
}

// JSON for inside <script>: no "</script>" or "<!--" can end or bend it.
std::string scriptJson(const nlohmann::json& value) {
    const std::string text = value.dump(1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string out;
    for (char c : text) {
        if (c == '<')
            out += "\\u003c";
        else if (c == '>')
            out += "\\u003e";
        else if (c == '&')
            out += "\\u0026";
        else
            out += c;
    }
    return out;
}

} // namespace

namespace FormPages {

std::string framed(const std::string& origin, const DemoClip& clip, PageKind kind,
                   const std::string& player, const std::string& head) {
    return SitePages::layout(
        clip.title + " - Quillmoth",
        "<h1>" + escapeHtml(clip.title) + "</h1>\n<div class=\"box\">" + player + "<p>" +
            escapeHtml(clip.about) + ". Length " + DemoCatalog::length(clip) +
            ".</p><p class=\"note\">This page's form: " + escapeHtml(noteOf(kind)) +
            ".</p><p><a href=\"" + escapeHtml(origin) + "/search.php\">More clips</a></p></div>",
        head);
}

std::string video(const std::string& origin, const DemoClip& clip) {
    using PageForms::kLargeLines;
    using PageForms::kSmallLines;
    // The sources are relative: without the base they would be looked for
    // beside the page (/watch/), where nothing is.
    auto source = [&](int lines) {
        const std::string n = std::to_string(lines);
        return "<source src=\"" + n + ".mp4\" type=\"video/mp4\" size=\"" + n + "\" res=\"" + n +
               "\" data-quality=\"" + n + "p\">";
    };
    const std::string player =
        "<video controls preload=\"metadata\" width=\"640\" height=\"360\" poster=\"" +
        escapeHtml(cover(origin, clip)) + "\">" + source(kSmallLines) + source(kLargeLines) +
        "Your browser cannot play this MP4 video.</video>";
    const std::string base = PageForms::mediaPath(clip.id, kSmallLines);
    return framed(origin, clip, PageKind::Video, player,
                  "<base href=\"" + escapeHtml(base.substr(0, base.rfind('/') + 1)) + "\">" +
                      meta("og:image", cover(origin, clip)));
}

std::string openGraph(const std::string& origin, const DemoClip& clip) {
    const std::string url = origin + PageForms::mediaPath(clip.id, PageForms::kSmallLines);
    // The site speaks no TLS: its secure_url is the same plain address.
    const std::string head = meta("og:type", "video.other") + meta("og:title", clip.title) +
                             meta("og:image", cover(origin, clip)) + meta("og:video", url) +
                             meta("og:video:url", url) + meta("og:video:secure_url", url) +
                             meta("og:video:type", "video/mp4") + meta("og:video:width", "640") +
                             meta("og:video:height", "360");
    return framed(origin, clip, PageKind::OpenGraph, kOpenGraphPlayer, head);
}

std::string jsonLd(const std::string& origin, const DemoClip& clip) {
    const std::string page = origin + PageForms::address(PageKind::JsonLd, clip.id);
    const nlohmann::json graph = {
        {"@context", "https://schema.org"},
        {"@graph",
         nlohmann::json::array(
             {{{"@type", "WebPage"},
               {"@id", page},
               {"url", page},
               {"name", clip.title + " - Quillmoth"}},
              {{"@type", "VideoObject"},
               {"@id", page + "#video"},
               {"name", clip.title},
               {"description", clip.about},
               {"thumbnailUrl", cover(origin, clip)},
               {"contentUrl", origin + PageForms::mediaPath(clip.id, PageForms::kSmallLines)},
               {"encodingFormat", "video/mp4"},
               {"width", 640},
               {"height", 360},
               {"duration", isoDuration(clip.seconds)}}})}};
    return framed(origin, clip, PageKind::JsonLd, kJsonLdPlayer,
                  "<script type=\"application/ld+json\">" + scriptJson(graph) + "</script>");
}

std::string gated(const std::string& origin, const DemoClip& clip, PageKind gate) {
    const std::string player =
        "<video controls preload=\"metadata\" width=\"640\" height=\"360\" poster=\"" +
        escapeHtml(cover(origin, clip)) + "\" src=\"" +
        escapeHtml(origin + PageForms::gatedPath(gate, clip.id)) +
        "\">Your browser cannot play this MP4 video.</video>";
    return framed(origin, clip, gate, player, meta("og:image", cover(origin, clip)));
}

std::string hls(const std::string& origin, const DemoClip& clip) {
    const std::string url = origin + PageForms::packagePath(Packaging::Hls, clip.id);
    const char* type = "application/x-mpegURL";
    const std::string head = meta("og:type", "video.other") + meta("og:title", clip.title) +
                             meta("og:image", cover(origin, clip)) + meta("og:video", url) +
                             meta("og:video:type", type) + meta("og:video:width", "640") +
                             meta("og:video:height", "360");
    return framed(origin, clip, PageKind::Hls, manifestPlayer(origin, clip, url, type), head);
}

std::string dash(const std::string& origin, const DemoClip& clip) {
    const std::string url = origin + PageForms::packagePath(Packaging::Dash, clip.id);
    return framed(origin, clip, PageKind::Dash,
                  manifestPlayer(origin, clip, url, "application/dash+xml"),
                  meta("og:image", cover(origin, clip)));
}

std::string refused(const std::string& origin, PageKind gate, const std::string& clipId) {
    const std::string page = origin + PageForms::address(gate, clipId);
    const std::string needs = gate == PageKind::Cookie ? "the cookie its watch page sets"
                                                       : "its watch page as the Referer";
    return SitePages::layout("Forbidden - Quillmoth",
                             "<h1>Forbidden</h1><div class=\"box\"><p>This clip is sent only "
                             "with " +
                                 std::string(needs) + ". Open <a href=\"" + escapeHtml(page) +
                                 "\">" + escapeHtml(page) + "</a> first.</p></div>");
}

} // namespace FormPages
