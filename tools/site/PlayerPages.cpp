#include "tools/site/PlayerPages.h"

#include "tools/site/FormPages.h"
#include "tools/site/PageForms.h"
#include "tools/site/SitePages.h"

#include <vector>

namespace {

using SitePages::escapeHtml;

std::string cover(const std::string& origin, const DemoClip& clip) {
    return origin + "/cover/" + clip.id + ".bmp";
}

std::string attribute(const std::string& name, const std::string& value) {
    return " " + name + "=\"" + escapeHtml(value) + "\"";
}

// A player's opening tag with its size and poster; attributes follow.
std::string videoTag(const std::string& origin, const DemoClip& clip,
                     const std::string& attributes) {
    return "<video controls preload=\"metadata\" width=\"640\" height=\"360\"" +
           attribute("poster", cover(origin, clip)) + attributes + ">";
}

std::string mp4(const std::string& origin, const DemoClip& clip) {
    return origin + PageForms::mediaPath(clip.id, PageForms::kSmallLines);
}

// What a player's script does with an address it was given apart.
const char* const kLazyScript =
    "<script>document.querySelectorAll('video[data-src]').forEach(function(v){"
    "if(!v.getAttribute('src'))v.src=v.dataset.src;});</script>";

const char* const kKeySystemScript =
    "<p id=\"status\">Asking for a key system...</p><script>(function(){"
    "var status=document.getElementById('status');"
    "if(!navigator.requestMediaKeySystemAccess)"
    "return status.textContent='This browser has no key systems.';"
    "navigator.requestMediaKeySystemAccess('org.w3.clearkey',[{initDataTypes:['cenc'],"
    "videoCapabilities:[{contentType:'video/mp4; codecs=\"avc1.42E01E\"'}]}])"
    ".then(function(){status.textContent='A key system answered; no licence is served here.';})"
    ".catch(function(){status.textContent='No key system: the video stays locked.';});"
    "})();</script>";

} // namespace

namespace PlayerPages {

std::string lazy(const std::string& origin, const DemoClip& clip) {
    const std::string player =
        videoTag(origin, clip, " src=\"\"" + attribute("data-src", mp4(origin, clip))) +
        "Your browser cannot play this MP4 video.</video>" + kLazyScript;
    return FormPages::framed(origin, clip, PageKind::Lazy, player);
}

std::string several(const std::string& origin, const DemoClip& clip) {
    std::string players;
    // Two others first, each named; the page's own clip last, named by
    // nothing but the page.
    std::vector<const DemoClip*> clips;
    for (const char* id : {"bars", "cafe", "demo"})
        if (const DemoClip* other = PageForms::mp4Clip(id); other && other->id != clip.id)
            clips.push_back(other);
    clips.push_back(&clip);
    for (std::size_t i = 0; i < clips.size(); ++i) {
        const std::string named = i + 1 < clips.size() ? attribute("title", clips[i]->title) : "";
        players += "<p>" + escapeHtml(clips[i]->title) + "</p>" +
                   videoTag(origin, *clips[i], named + attribute("src", mp4(origin, *clips[i]))) +
                   "Your browser cannot play this MP4 video.</video>";
    }
    return FormPages::framed(origin, clip, PageKind::Several, players,
                             "<meta property=\"og:site_name\" content=\"Quillmoth\">");
}

std::string tracks(const std::string& origin, const DemoClip& clip) {
    const auto track = [&](const char* kind, const char* language, const char* label) {
        return std::string("<track") + attribute("kind", kind) + attribute("srclang", language) +
               attribute("label", label) +
               attribute("src", origin + PageForms::subtitlesPath(clip.id, language)) + ">";
    };
    const std::string player = videoTag(origin, clip, attribute("src", mp4(origin, clip))) +
                               track("subtitles", "en", "English") +
                               track("captions", "de", "Deutsch") +
                               "Your browser cannot play this MP4 video.</video>";
    return FormPages::framed(origin, clip, PageKind::Tracks, player);
}

std::string protectedPage(const std::string& origin, const DemoClip& clip) {
    const std::string player = videoTag(origin, clip, "") + "<source" +
                               attribute("src", origin + PageForms::protectedPath(clip.id)) +
                               " type=\"application/x-mpegURL\">"
                               "Your browser cannot play this video.</video>" +
                               kKeySystemScript;
    return FormPages::framed(origin, clip, PageKind::Protected, player);
}

std::string noVideo(const std::string& origin, const DemoClip& clip) {
    const std::string picture = "<img width=\"320\" height=\"180\"" +
                                attribute("src", cover(origin, clip)) +
                                attribute("alt", clip.title) + ">";
    return FormPages::framed(origin, clip, PageKind::NoVideo, picture);
}

std::string subtitles(const DemoClip& clip, const std::string& language) {
    const bool german = language == "de";
    return "WEBVTT\n\n1\n00:00:00.000 --> 00:00:02.500\n" + clip.title + "\n\n2\n" +
           "00:00:02.500 --> 00:00:05.000\n" +
           (german ? std::string("[Ton: ") + std::to_string(clip.toneHz) + " Hz]"
                   : "A demo clip of Quillmoth's companion site.") +
           "\n";
}

std::string protectedPlaylist(const DemoClip& clip) {
    return "#EXTM3U\n#EXT-X-VERSION:5\n#EXT-X-TARGETDURATION:4\n#EXT-X-MEDIA-SEQUENCE:0\n"
           "#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"skd://quillmoth-" +
           clip.id +
           "\",KEYFORMAT=\"com.apple.streamingkeydelivery\",KEYFORMATVERSIONS=\"1\"\n"
           "#EXTINF:4.0,\nsegment0.ts\n#EXT-X-ENDLIST\n";
}

} // namespace PlayerPages
