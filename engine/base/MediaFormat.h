#pragma once

#include <span>
#include <string>
#include <string_view>

// The one vocabulary of media: what an address's extension, a content type
// or a file's first bytes say a thing is. Whole media (a file that plays by
// itself), stream manifests (an HLS playlist, a DASH manifest), the parts a
// stream is cut into, and subtitles, each with its extensions, media types
// and, where it has one, its signature. Every lookup ignores letter case
// and a type's parameters ("video/mp4; codecs=...").
struct MediaFormat {
    enum class Kind { None, Whole, Hls, Dash, Part, Subtitles };

    Kind kind = Kind::None;
    // The name it goes by, as a file extension without its dot: "mp4",
    // "m3u8", "ts", "vtt". A saved file of a whole format is named so.
    std::string_view name;
    // Sound only.
    bool audio = false;

    explicit operator bool() const { return kind != Kind::None; }
    bool whole() const { return kind == Kind::Whole; }
    bool manifest() const { return kind == Kind::Hls || kind == Kind::Dash; }

    // By a media type ("video/mp4", "application/x-mpegURL").
    static MediaFormat ofType(std::string_view type);
    // By an extension without its dot ("M4V" is mp4's).
    static MediaFormat ofExtension(std::string_view extension);
    // By the extension of an address's path.
    static MediaFormat ofAddress(std::string_view address);
    // By a file's first bytes: the container they start (an FLV header, an
    // ISO-BMFF "ftyp" box, an EBML header and its DocType, an ID3 tag or an
    // MPEG audio frame), a stream's part ("styp", "moof" or "sidx" first,
    // MPEG-TS packets) or WebVTT; None when they are none of these or too
    // few to tell (signatureDecided).
    static MediaFormat ofSignature(std::string_view first);
    // Enough bytes arrived for ofSignature to tell a whole container.
    static bool signatureDecided(std::string_view first);

    // "video/..." or "audio/...": media, whether or not its format is known.
    static bool isMediaType(std::string_view type);
    // The extension of an address's path (after its last "/", before any
    // query or fragment), lowered, without its dot; empty when none.
    static std::string extensionOf(std::string_view address);

    // The whole formats a download may be saved as (its first bytes name
    // them), in the order the library lists them.
    static std::span<const MediaFormat> savedFormats();
};
