#pragma once

#include "base/Reason.h"
#include "page/PageSource.h"
#include "page/PageVideos.h"
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
    // Reason::None when the page came and was read whole, else why not as a
    // job says it. A direct link is no page and offers nothing.
    // The videos sorted as well (readVideos).
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

    // The page's videos (PageVideos), and the title a job names the page's
    // movie by (its headline first, made readable): read from the same page.
    void readVideos(std::string_view page, const std::string& pageAddress);
    // The source the quality picks among video's, as pick() does among all.
    std::size_t pickIn(const PageVideos::Video& video, int quality) const;
    // What videos[index] is saved as.
    std::string videoTitle(std::size_t index) const;

    std::vector<PageSource> sources;
    std::vector<SubtitleTrack> subtitles;
    std::string title;
    // The picture the page shows for its video (PageSources::picture).
    std::string picture;
    // Part of the page was beyond what is read of it (PageSources::refused).
    bool refused = false;
    std::vector<PageVideos::Video> videos;
    std::string named;

private:
    // The quality's choice among the sources at, whole files first.
    std::size_t pickAmong(const std::vector<std::size_t>& at, int quality) const;
};
