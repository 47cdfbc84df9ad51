#pragma once

#include "base/Reason.h"
#include "media/StreamRequest.h"
#include "page/StreamManifest.h"
#include "page/StreamRefusal.h"

#include <string>
#include <string_view>

class CancelToken;
struct JobOptions;

// What ffmpeg is asked to save of an HLS playlist or a DASH manifest: read
// here first, so that a protected, live or unsavable stream is refused
// before anything is written, the quality picks a variant (a master
// playlist's is fetched and read too) and progress knows the duration.
class StreamPlan {
public:
    // manifest: the text fetched from address, of kind. options: the
    // quality, and what every fetch sends (cookies, Referer, user agent)
    // and is bounded by. Reason::None with request filled in, else why the
    // stream cannot be saved as a job says it.
    static Reason make(StreamManifest::Kind kind, std::string_view manifest,
                       const std::string& address, const JobOptions& options,
                       const CancelToken* cancel, StreamRequest& request);

    // A refusal as a job says it.
    static Reason reasonOf(StreamRefusal refusal);
};
