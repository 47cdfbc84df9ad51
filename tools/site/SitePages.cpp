#include "tools/site/SitePages.h"

#include "tools/site/DemoCatalog.h"
#include "tools/site/PageForms.h"

#include <algorithm>
#include <cctype>

namespace {

std::string page(const std::string& title, const std::string& body, const std::string& head = {},
                 SiteLanguage language = SiteLanguage::English) {
    return std::string("<!DOCTYPE html>\n<html lang=\"") + languageTag(language) +
           "\"><head><meta charset=\"utf-8\">" + head + "<title>" + SitePages::escapeHtml(title) +
           "</title>\n<style>body{font-family:sans-serif;margin:2em;background:#f4f1ea;color:#222}"
           "h1{color:#5a3d7a}a{color:#2a5db0}.box{background:#fff;border:1px solid #ccc;"
           "padding:1em;border-radius:6px;max-width:40em}video{max-width:40em;background:#000}"
           ".note{background:#fff6d8;border-left:4px solid #d8a800;padding:.5em}</style>"
           "</head>\n<body>\n" +
           body + "\n</body></html>\n";
}

// Percent-encodes the characters that would end or split a stream map entry.
std::string encodeMapUrl(const std::string& url) {
    std::string out;
    for (char c : url) {
        switch (c) {
        case ':':
            out += "%3A";
            break;
        case '/':
            out += "%2F";
            break;
        case '?':
            out += "%3F";
            break;
        case '=':
            out += "%3D";
            break;
        case '&':
            out += "%26";
            break;
        case '%':
            out += "%25";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string lowerAscii(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// One item per page of today's forms whose clip matches q (lower case; ""
// for all of them), with a note of its form.
std::string formItems(const std::string& origin, const std::string& q) {
    std::string items;
    for (const PageForm& form : PageForms::all()) {
        const DemoClip* clip = DemoCatalog::find(form.clipId);
        if (!q.empty() && lowerAscii(clip->title).find(q) == std::string::npos &&
            lowerAscii(clip->about).find(q) == std::string::npos &&
            lowerAscii(form.note).find(q) == std::string::npos)
            continue;
        items += "<li><a href=\"" +
                 SitePages::escapeHtml(origin + PageForms::address(form.kind, clip->id)) + "\">" +
                 SitePages::escapeHtml(clip->title) + "</a> (" + DemoCatalog::length(*clip) +
                 ") &mdash; " + SitePages::escapeHtml(form.note) + "</li>";
    }
    return items;
}

std::string streamUrl(const std::string& origin, const DemoClip& clip, const std::string& key) {
    return origin + "/stream/" + clip.id + "/" + key + "." +
           DemoCatalog::extension(DemoCatalog::containerOf(key));
}

} // namespace

namespace SitePages {

std::string layout(const std::string& title, const std::string& body, const std::string& head) {
    return page(title, body, head);
}

std::string escapeHtml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string home(const std::string& origin, SiteLanguage language) {
    const bool german = language == SiteLanguage::German;
    return page("Quillmoth",
                std::string("<h1>Quillmoth</h1><div class=\"box\"><p>") +
                    (german ? "Videos herunterladen, als MP3 behalten, abspielen."
                            : "Download videos, keep them as MP3, play them.") +
                    "</p><p><a href=\"" + escapeHtml(origin) + "/search.php\">" +
                    (german ? "Ein Video finden" : "Find a video") + "</a></p></div>",
                {}, language);
}

std::string splash(const std::string& origin, SiteLanguage language) {
    const std::string o = escapeHtml(origin);
    // The tabs' and the button's names as the window shows them.
    const bool german = language == SiteLanguage::German;
    const std::string welcome =
        german ? "<h1>Willkommen bei Quillmoth " QUILLMOTH_VERSION "</h1><div class=\"box\">"
                 "<p>Öffnen Sie den Reiter <b>Suche</b>, folgen Sie einem Link zur Seite eines "
                 "Videos, prüfen Sie links den Titel und drücken Sie <b>Herunterladen</b>.</p>"
                 "<p>Den Fortschritt zeigt <b>Übertragungen</b>; fertige Dateien erscheinen "
                 "unter <b>Meine Mediathek</b>.</p>"
               : "<h1>Welcome to Quillmoth " QUILLMOTH_VERSION "</h1><div class=\"box\">"
                 "<p>Open the <b>Search</b> tab, follow a link to a video's page, check the "
                 "title on the left and press <b>Download</b>.</p>"
                 "<p>Its progress shows under <b>Transfers</b>; finished files appear under "
                 "<b>My Library</b>.</p>";
    return page("Quillmoth",
                welcome + "<p><a href=\"" + o + "/\">" + o + "</a></p></div><h3>" +
                    (german ? "Seiten in heutiger Form" : "Pages of today&rsquo;s forms") +
                    "</h3><div class=\"box\"><ul>" + formItems(origin, {}) + "</ul></div>",
                {}, language);
}

std::string search(const std::string& origin, const std::string& query) {
    const std::string q = lowerAscii(query);
    std::string results;
    for (const DemoClip& clip : DemoCatalog::clips()) {
        if (!q.empty() && lowerAscii(clip.title).find(q) == std::string::npos &&
            lowerAscii(clip.about).find(q) == std::string::npos)
            continue;
        results += "<li><a href=\"" + escapeHtml(origin) + "/watch?v=" + clip.id + "\">" +
                   escapeHtml(clip.title) + "</a> (" + DemoCatalog::length(clip) +
                   (clip.flvOnly ? ", FLV only" : "") + ") &mdash; " + escapeHtml(clip.about) +
                   "</li>";
    }
    std::string heading = "Results";
    if (!query.empty())
        heading += " for &ldquo;" + escapeHtml(query) + "&rdquo;";
    const std::string forms = formItems(origin, q);
    if (results.empty() && forms.empty())
        results = "<li>No clip matches. <a href=\"/search.php\">Show them all</a></li>";
    return page("Quillmoth search",
                "<h1>Search</h1><div class=\"box\"><form action=\"/search.php\">"
                "<input name=\"q\" placeholder=\"Search videos\" value=\"" +
                    escapeHtml(query) + "\"> <button>Search</button></form><h3>" + heading +
                    "</h3><ul>" + results + "</ul>" +
                    (forms.empty()
                         ? std::string()
                         : "<h3>Pages of today&rsquo;s forms</h3><ul>" + forms + "</ul>") +
                    "</div>");
}

std::string watch(const std::string& origin, const DemoClip& clip) {
    // Keys sort numerically; the smallest is the FLV stream, the rest MP4.
    std::string map;
    std::string offered;
    for (const std::string& key : DemoCatalog::streamKeys(clip)) {
        if (!map.empty())
            map += "%2C";
        map += key + "%7C" + encodeMapUrl(streamUrl(origin, clip, key));
        offered += (offered.empty() ? "" : ", ") + key + " (" +
                   DemoCatalog::extension(DemoCatalog::containerOf(key)) + ")";
    }
    const std::string title = escapeHtml(clip.title);

    std::string player;
    if (clip.flvOnly) {
        player = "<p class=\"note\">This clip is offered only as FLV, which a web browser cannot "
                 "play. Press <b>Download</b> in Quillmoth: it saves the FLV and plays it in "
                 "<b>My Library</b>.</p>";
    } else {
        player = "<video controls preload=\"metadata\" width=\"640\" height=\"360\" src=\"" +
                 escapeHtml(streamUrl(origin, clip, "18")) +
                 "\">Your browser cannot play this MP4 video.</video>";
    }

    // The headline and the embed keep the shapes the program reads: the
    // title attribute of the span right after the headline's id, and the
    // map between "fmt_url_map=" and the next "&amp;".
    return page(clip.title + " - Quillmoth",
                "<div id=\"watch-headline\"><h1 id=\"watch-headline-title\">"
                "<span id=\"eow-title\" title=\"" +
                    title + "\">" + title +
                    "</span></h1></div>\n"
                    "<div class=\"box\">" +
                    player + "<p>" + escapeHtml(clip.about) + ". Length " +
                    DemoCatalog::length(clip) + "; streams " + offered +
                    ".</p>"
                    "<embed type=\"application/x-shockwave-flash\" width=\"1\" height=\"1\" "
                    "flashvars=\"video_id=" +
                    clip.id + "&amp;fmt_url_map=" + map +
                    "&amp;t=demo\">"
                    "<p><a href=\"" +
                    escapeHtml(origin) + "/search.php\">More clips</a></p></div>",
                "<meta property=\"og:image\" content=\"" +
                    escapeHtml(origin + "/cover/" + clip.id + ".bmp") + "\">");
}

std::string notFound(const std::string& origin, const std::string& what) {
    return page("Not found - Quillmoth",
                "<h1>Not found</h1><div class=\"box\"><p>There is no &ldquo;" + escapeHtml(what) +
                    "&rdquo; here.</p><p><a href=\"" + escapeHtml(origin) +
                    "/search.php\">See the clips</a></p></div>");
}

} // namespace SitePages
