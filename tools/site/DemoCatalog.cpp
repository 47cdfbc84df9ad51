#include "tools/site/DemoCatalog.h"

#include <algorithm>

namespace DemoCatalog {

const std::vector<DemoClip>& clips() {
    // Titles stay under 42 characters (the program cuts longer ones) and
    // free of ';' and '|' (it blanks them).
    static const std::vector<DemoClip> all = {
        {"demo", "Quillmoth Demo Clip", "test pattern and a tone", 3, false, "testsrc2", 440},
        {"bars", "Thirty Seconds of Colour Bars", "colour bars, long enough to watch the bar fill",
         30, false, "smptehdbars", 330},
        {"longplay", "Long Play, Two and a Half Minutes",
         "try Convert to MP3 on this one, and Cancel", 150, false, "testsrc2", 523},
        {"cafe", "Café Ünïcode — 東京", "a title beyond ASCII, for file names", 10, false,
         "testsrc", 660},
        {"oldflv", "Old Times, FLV Only", "offered only as FLV, like the old days", 10, true,
         "testsrc", 220},
    };
    return all;
}

const DemoClip* find(const std::string& id) {
    const auto& all = clips();
    const auto it =
        std::find_if(all.begin(), all.end(), [&](const DemoClip& c) { return c.id == id; });
    return it == all.end() ? nullptr : &*it;
}

std::vector<std::string> streamKeys(const DemoClip& clip) {
    if (clip.flvOnly)
        return {"5"};
    return {"5", "18", "22", "34"};
}

Container containerOf(const std::string& key) {
    return key == "5" ? Container::Flv : Container::Mp4;
}

const char* extension(Container container) {
    return container == Container::Flv ? "flv" : container == Container::WebM ? "webm" : "mp4";
}

std::string length(const DemoClip& clip) {
    const int s = clip.seconds % 60;
    return std::to_string(clip.seconds / 60) + (s < 10 ? ":0" : ":") + std::to_string(s);
}

} // namespace DemoCatalog
