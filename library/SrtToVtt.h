#pragma once

#include <string>
#include <string_view>

// A SubRip (.srt) file as WebVTT, the only subtitle form the player page's
// browser reads. Lenient as players are: any of UTF-8 (with or without BOM),
// UTF-16 with BOM or Windows-1252, CR LF or LF, sloppy times ("1:2:3,4"),
// markup other than <b>, <i> and <u> dropped. Blocks without a time line
// are skipped.
class SrtToVtt {
public:
    SrtToVtt() = delete;

    static std::string convert(std::string_view srt);
};
