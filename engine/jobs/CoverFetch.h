#pragma once

#include <cstddef>
#include <string>

class CancelToken;
class CoverArt;
struct JobOptions;

// Brings an MP3's cover: the picture a watch page shows (PageSources),
// fetched by the rules pages are (HttpClient: http(s) only, redirects, the
// picture's deadline), at most maxBytes, taken only when its Content-Type
// says image/..., and made a cover by CoverArt. Anything that goes wrong
// leaves no cover, never an error. Blocking; runs on the job's worker thread.
class CoverFetch {
public:
    // The picture at url into cover. True when cover has a JPEG now.
    static bool fetch(CoverArt& cover, const JobOptions& options, const std::string& url,
                      const CancelToken* cancel);
    // The picture of the watch page at options.pageUrl, fetched again.
    static bool fetchFromPage(CoverArt& cover, const JobOptions& options,
                              const CancelToken* cancel);

    static constexpr std::size_t maxBytes = std::size_t{5} << 20;
};
