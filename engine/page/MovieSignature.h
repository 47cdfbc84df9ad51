#pragma once

#include <cstddef>
#include <string>

// Looks at the first bytes of a stream as they arrive: which container they
// start (so the saved extension tells the truth) and whether they are a web
// page rather than a movie (a login or error page answered with 200).
class MovieSignature {
public:
    // Keeps what it still needs of the next bytes received.
    void feed(const char* data, std::size_t n);

    // True once enough bytes arrived to decide the container.
    bool containerKnown() const;
    // The whole container the first bytes start, as a file extension
    // (MediaFormat::ofSignature): "flv", "mp4", "m4a", "webm", "mkv", "mp3";
    // empty when they are none of these (or too few).
    std::string container() const;
    // The body starts as markup ("<!DOCTYPE", "<html", "<?xml"...), after
    // blanks and a byte order mark.
    bool looksLikeMarkup() const;
    // No binary byte among the first bytes: a JSON error, "access denied"
    // or any other text answered with 200. Movie containers all carry
    // binary bytes in their first few; unknown binary data passes.
    bool looksLikeText() const;
    bool empty() const { return head_.empty(); }

    static constexpr std::size_t headBytes = 512;

private:
    std::string head_;
};
