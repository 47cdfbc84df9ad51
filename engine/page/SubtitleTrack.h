#pragma once

#include <string>
#include <string_view>

// A subtitle track a page or a stream names: what it is, in which
// language, and where. A page's <track> and a DASH text track are one file;
// an HLS rendition is a playlist of WebVTT segments.
struct SubtitleTrack {
    enum class Kind { Subtitles, Captions };
    // How its text is written: the forms saved, and the rest.
    enum class Form { WebVtt, Srt, Other };
    enum class Carrier { File, HlsPlaylist };

    Kind kind = Kind::Subtitles;
    Form form = Form::WebVtt;
    Carrier carrier = Carrier::File;
    // As the page or manifest names them; either may be empty.
    std::string language;
    std::string label;
    std::string url;

    // The form an address's extension or a media type says; WebVTT when
    // neither says another.
    static Form formOf(std::string_view url, std::string_view type);
    // "subtitles" or "captions".
    std::string_view kindName() const;
    // The extension it is saved with (".vtt", ".srt"); empty for Other.
    std::string_view extension() const;
};
