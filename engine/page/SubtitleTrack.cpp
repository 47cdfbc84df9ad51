#include "page/SubtitleTrack.h"

#include "base/HttpAddress.h"

namespace {

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return out;
}

} // namespace

SubtitleTrack::Form SubtitleTrack::formOf(std::string_view url, std::string_view type) {
    const std::string media = lowered(type.substr(0, type.find(';')));
    if (media == "text/vtt")
        return Form::WebVtt;
    if (media == "application/x-subrip" || media == "text/srt")
        return Form::Srt;
    const std::string path = lowered(withoutQuery(url));
    if (path.ends_with(".srt"))
        return Form::Srt;
    for (const char* other : {".ttml", ".dfxp", ".xml", ".ass", ".ssa", ".sbv", ".smi", ".json"})
        if (path.ends_with(other))
            return Form::Other;
    if (!media.empty() && media != "text/plain")
        return Form::Other;
    return Form::WebVtt;
}

std::string_view SubtitleTrack::kindName() const {
    return kind == Kind::Captions ? "captions" : "subtitles";
}

std::string_view SubtitleTrack::extension() const {
    switch (form) {
    case Form::WebVtt:
        return ".vtt";
    case Form::Srt:
        return ".srt";
    case Form::Other:
        break;
    }
    return {};
}
