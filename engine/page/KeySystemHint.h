#pragma once

#include <string_view>

// Whether a page's own scripts ask for a key system (EME, through which
// browsers play protected media): a call to requestMediaKeySystemAccess, or
// a key system a player is configured with (Widevine, PlayReady, FairPlay,
// Clear Key), in an inline <script> of any type. Only a hint of why a page
// that names no source offers nothing: nothing is refused by it.
class KeySystemHint {
public:
    static bool inPage(std::string_view html);
};
