#pragma once

#include "page/HtmlReader.h"
#include "page/SubtitleTrack.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The subtitle tracks a page's players name (<track kind="subtitles"> or
// "captions" inside <video> or <audio>; no kind is subtitles), read in the
// same pass as everything else: every element goes on to next. Addresses
// are resolved against the page and its <base href>, http(s) only, each
// once, at most maxTracks.
class PageTracks : public HtmlReader::Handler {
public:
    PageTracks(HtmlReader::Handler& next, std::string pageAddress);

    void open(std::string_view name, const HtmlReader::Attributes& attributes) override;
    void close(std::string_view name) override;
    void text(std::string_view text) override;

    // What was read, addresses resolved.
    std::vector<SubtitleTrack> tracks() const;

    static constexpr std::size_t maxTracks = 200;

private:
    HtmlReader::Handler& next_;
    std::string pageAddress_;
    std::string base_;
    bool baseSeen_ = false;
    int media_ = 0;
    std::vector<SubtitleTrack> tracks_;
};
