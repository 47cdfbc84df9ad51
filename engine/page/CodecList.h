#pragma once

#include <string_view>

// A CODECS attribute ("avc1.64001f,mp4a.40.2") read for what it holds.
class CodecList {
public:
    // One of its codecs is a sound codec.
    static bool namesSound(std::string_view codecs);
    // One of its codecs is not a sound codec (a picture, as a rule).
    static bool namesPicture(std::string_view codecs);
    // Sound and nothing else.
    static bool onlySound(std::string_view codecs) {
        return namesSound(codecs) && !namesPicture(codecs);
    }
    // Sound and something else: picture and sound in one stream.
    static bool picturesAndSound(std::string_view codecs) {
        return namesSound(codecs) && namesPicture(codecs);
    }

    static bool isSoundCodec(std::string_view codec);
};
