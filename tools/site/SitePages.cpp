#include "SitePages.h"

namespace {

const char* const kDemoTitle = "Quillmoth Demo Clip";

std::string page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
           "</title>\n<style>body{font-family:sans-serif;margin:2em;background:#f4f1ea;color:#222}"
           "h1{color:#5a3d7a}a{color:#2a5db0}.box{background:#fff;border:1px solid #ccc;"
           "padding:1em;border-radius:6px;max-width:40em}</style></head>\n<body>\n" +
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
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

namespace SitePages {

std::string home(const std::string& origin) {
    return page("Quillmoth", "<h1>Quillmoth</h1><div class=\"box\"><p>Download videos, keep "
                             "them as MP3, play them.</p><p><a href=\"" +
                                 origin + "/search.php\">Find a video</a></p></div>");
}

std::string splash(const std::string& origin) {
    return page("Quillmoth", "<h1>Welcome to Quillmoth 2.8</h1><div class=\"box\">"
                             "<p>Open the <b>Search</b> tab, follow a link to a video's page, "
                             "check the title on the left and press <b>Download</b>.</p>"
                             "<p>Finished files appear under <b>My Library</b>.</p>"
                             "<p><a href=\"" +
                                 origin + "/\">" + origin + "</a></p></div>");
}

std::string search(const std::string& origin) {
    return page("Quillmoth search",
                "<h1>Search</h1><div class=\"box\"><form action=\"/search.php\">"
                "<input name=\"q\" placeholder=\"Search videos\"> <button>Search</button></form>"
                "<h3>Results</h3><ul><li><a href=\"" +
                    origin + "/watch?v=demo\">" + kDemoTitle +
                    "</a> &mdash; three seconds of test pattern and a tone</li></ul></div>");
}

std::string watch(const std::string& origin) {
    // Keys sort numerically; the smallest is the FLV stream, the rest MP4.
    const char* keys[] = {"5", "18", "22", "34"};
    std::string map;
    for (const char* key : keys) {
        if (!map.empty())
            map += "%2C";
        const std::string ext = std::string(key) == "5" ? "flv" : "mp4";
        map += std::string(key) + "%7C" + encodeMapUrl(origin + "/stream/" + key + "." + ext);
    }
    return page(std::string(kDemoTitle) + " - Quillmoth",
                "<div id=\"watch-headline\"><h1 id=\"watch-headline-title\">"
                "<span id=\"eow-title\" title=\"" +
                    std::string(kDemoTitle) + "\">" + kDemoTitle +
                    "</span></h1></div>\n"
                    "<div class=\"box\"><p>A short demo clip served by the companion site.</p>"
                    "<embed type=\"application/x-shockwave-flash\" width=\"1\" height=\"1\" "
                    "flashvars=\"video_id=demo&amp;fmt_url_map=" +
                    map + "&amp;t=demo\"></div>");
}

} // namespace SitePages
