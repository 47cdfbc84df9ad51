#include "tools/site/PageForms.h"

#include "tools/site/DemoCatalog.h"

namespace PageForms {

const std::vector<PageForm>& all() {
    static const std::vector<PageForm> forms = {
        {PageKind::Video, "demo",
         "a <video> with two <source> sizes (360 and 720 lines) under a <base href>"},
        {PageKind::OpenGraph, "bars", "Open Graph only (og:video), no <video> in the markup"},
        {PageKind::JsonLd, "cafe", "JSON-LD only: a VideoObject inside an @graph"},
        {PageKind::Direct, "demo", "a direct link: the address answers with the MP4 itself"},
        {PageKind::Cookie, "cafe", "the media needs the cookie its page sets"},
        {PageKind::Referer, "bars", "the media needs its page as Referer"},
        {PageKind::Hls, kPackagedClip,
         "HLS: a master playlist of two sizes (360 and 240 lines) as <source> and og:video; "
         "plays where the browser has HLS built in"},
        {PageKind::Dash, kPackagedClip,
         "DASH: an MPD of video and audio segments as <source>; a browser plays it only with a "
         "player script, which this page has not"},
        {PageKind::Script, "demo",
         "a script fetches the clip's JSON after load and only then builds the <video>; the "
         "page as served names no video"},
        {PageKind::Blob, kPackagedClip,
         "a player script reads the HLS master playlist and plays its first variant as WebM "
         "through Media Source Extensions, from a blob: address; the page as served names no "
         "video"},
        {PageKind::Lazy, "bars",
         "a <video> whose src is empty: its data-src holds the address, which the page's "
         "script fills in"},
        {PageKind::Several, "demo",
         "three videos on one page, each its own <video>, two of them named by their title"},
        {PageKind::Tracks, "demo",
         "a <video> with two <track> elements: English subtitles and German captions (WebVTT)"},
        {PageKind::Protected, "demo",
         "protected: an HLS playlist encrypted with SAMPLE-AES, and a script that asks for a "
         "key system; nothing here can be saved"},
        {PageKind::NoVideo, "longplay",
         "a page about a clip that plays no video at all: only its picture"},
    };
    return forms;
}

const DemoClip* mp4Clip(const std::string& id) {
    const DemoClip* clip = DemoCatalog::find(id);
    return clip && !clip->flvOnly ? clip : nullptr;
}

const DemoClip* packagedClip(const std::string& id) {
    return id == kPackagedClip ? mp4Clip(id) : nullptr;
}

std::string address(PageKind kind, const std::string& clipId) {
    switch (kind) {
    case PageKind::Video:
        return "/watch/video?v=" + clipId;
    case PageKind::OpenGraph:
        return "/watch/og?v=" + clipId;
    case PageKind::JsonLd:
        return "/watch/jsonld?v=" + clipId;
    case PageKind::Direct:
        return "/clip/" + clipId + ".mp4";
    case PageKind::Cookie:
        return "/watch/cookie?v=" + clipId;
    case PageKind::Referer:
        return "/watch/referer?v=" + clipId;
    case PageKind::Hls:
        return "/watch/hls?v=" + clipId;
    case PageKind::Dash:
        return "/watch/dash?v=" + clipId;
    case PageKind::Script:
        return "/watch/script?v=" + clipId;
    case PageKind::Blob:
        return "/watch/blob?v=" + clipId;
    case PageKind::Lazy:
        return "/watch/lazy?v=" + clipId;
    case PageKind::Several:
        return "/watch/three?v=" + clipId;
    case PageKind::Tracks:
        return "/watch/tracks?v=" + clipId;
    case PageKind::Protected:
        return "/watch/protected?v=" + clipId;
    case PageKind::NoVideo:
        return "/watch/about?v=" + clipId;
    }
    return {};
}

std::string mediaPath(const std::string& clipId, int lines) {
    return "/media/" + clipId + "/" + std::to_string(lines) + ".mp4";
}

std::string gatedPath(PageKind kind, const std::string& clipId) {
    return std::string(kind == PageKind::Cookie ? "/gated/cookie/" : "/gated/referer/") + clipId +
           ".mp4";
}

std::string subtitlesPath(const std::string& clipId, const std::string& language) {
    return "/subs/" + clipId + "." + language + ".vtt";
}

std::string protectedPath(const std::string& clipId) {
    return "/protected/" + clipId + "/master.m3u8";
}

std::string clipJsonPath(const std::string& clipId) {
    return "/api/clip/" + clipId + ".json";
}

std::string packagePath(Packaging packaging, const std::string& clipId) {
    std::string path(1, '/');
    path += StreamPackage::folderName(packaging);
    path += '/';
    path += clipId;
    path += '/';
    path += StreamPackage::entryName(packaging);
    return path;
}

} // namespace PageForms
