#include "CodecList.h"

#include <string>

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// Whether any (sound == true) or any non-sound codec of the list is there.
bool anyOf(std::string_view codecs, bool sound) {
    while (true) {
        const std::size_t comma = codecs.find(',');
        const std::string_view codec = trimmed(codecs.substr(0, comma));
        if (!codec.empty() && CodecList::isSoundCodec(codec) == sound)
            return true;
        if (comma == std::string_view::npos)
            return false;
        codecs.remove_prefix(comma + 1);
    }
}

} // namespace

bool CodecList::isSoundCodec(std::string_view codec) {
    std::string lower;
    for (const char c : trimmed(codec))
        lower += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    for (const std::string_view sound :
         {"mp4a", "ac-3", "ec-3", "ac-4", "opus", "mp3", "flac", "alac", "dts", "vorbis"})
        if (lower.starts_with(sound))
            return true;
    return false;
}

bool CodecList::namesSound(std::string_view codecs) {
    return anyOf(codecs, true);
}

bool CodecList::namesPicture(std::string_view codecs) {
    return anyOf(codecs, false);
}
