#pragma once

#include "base/Reason.h"
#include "page/StreamManifest.h"
#include "page/StreamRefusal.h"
#include "stream/TrackPlan.h"

#include <string>
#include <string_view>
#include <vector>

class CancelToken;
struct JobOptions;

// The tracks an HLS playlist or a DASH manifest is saved from, read here
// from the very text its segments are fetched by: a protected, live or
// unsavable stream is refused before anything is written, the quality picks
// a variant (a master's media playlists are fetched and read too, with the
// job's cookies, which they may add to).
class StreamPlan {
public:
    // manifest: the text fetched from address, of kind. options: the
    // quality and the bounds every fetch keeps. cookies: the job's, in and
    // out. Reason::None with plan filled in, else why the stream cannot be
    // saved as a job says it.
    static Reason make(StreamManifest::Kind kind, std::string_view manifest,
                       const std::string& address, const JobOptions& options,
                       const CancelToken* cancel, TrackPlan& plan,
                       std::vector<std::string>& cookies);

    // A refusal as a job says it.
    static Reason reasonOf(StreamRefusal refusal);
};
