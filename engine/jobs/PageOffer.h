#pragma once

#include "base/Reason.h"
#include "page/PageSource.h"
#include "page/SubtitleTrack.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CancelToken;
struct HttpResponse;
struct JobOptions;

// What a page offers a download beyond its stream map: the sources a movie
// step can save (HLS and DASH streams among them), in the order a job takes them, and the
// one it takes. A job and quillmoth-get's --list read it alike.
class PageOffer {
public:
    // The sources the page names (PageSources::read),
    // and its title beyond its headline.
    static PageOffer read(std::string_view page, const std::string& pageAddress);
    // Fetches options.pageUrl as a job does and reads what it offers:
    // Reason::None when the page came, else why not as a job says it. A
    // direct link is no page and offers nothing.
    static Reason fetch(const JobOptions& options, const CancelToken* cancel, PageOffer& offer);
    // Why a page's fetch failed, as a job says it.
    static Reason fetchFailure(const HttpResponse& response);
    // An answer that is the media itself, not a page naming it: by its type,
    // or by a container's signature in its first bytes. A stream's playlist
    // or manifest is not: it names its parts.
    static bool isMedia(std::string_view type, std::string_view first);

    // The index of the source to save: source (from 1) when one is asked
    // for, else the quality's choice; nothing when there is none, or none
    // of that number.
    std::optional<std::size_t> pick(int quality, int source) const;
    // The index of the source listed by label, preferring the one at url
    // among sources of the same label; nothing when none has that label.
    std::optional<std::size_t> find(const std::string& label, const std::string& url) const;

    std::vector<PageSource> sources;
    std::vector<SubtitleTrack> subtitles;
    std::string title;
};
