#pragma once

#include "media/MediaProbe.h"
#include "media/Mp3Tags.h"
#include "media/StreamJoin.h"

#include <string>
#include <vector>

// Every argument list ffmpeg and ffprobe are started with, made here only.
// An input is read from the one local file named (inputProtocols) and only
// as one of inputFormats, so a downloaded playlist or concat list can never
// make them open another file; every path goes with "file:", so no title or
// folder is ever taken for an option or another protocol.
class FfmpegArguments {
public:
    // Containers an input may be read as: the movies transfers save, and
    // the media a library holds.
    static constexpr const char* inputFormats = "flv,mov,mp4,matroska,webm,mp3,aac,ogg,wav";
    // Protocols an input may be read with: local files only.
    static constexpr const char* inputProtocols = "file";

    // ffprobe's look at media: its container names and duration, and each
    // stream's index, type, codec, pixel format, cover-art flag and
    // duration, as "-of default" text.
    static std::vector<std::string> probe(const std::string& media);

    // The sound of movie as stereo MP3 (libmp3lame) at bitRate, written to
    // output, tagged with tags (ID3v2.3; the cover as the front cover's
    // attached picture). Progress goes to stdout.
    static std::vector<std::string> mp3(const std::string& movie, const std::string& bitRate,
                                        const Mp3Tags& tags, const std::string& output);

    // The first picture of a downloaded image as a JPEG, for an MP3's cover.
    // format: the one demuxer the picture may be read with (its signature
    // decided it: "png_pipe", "webp_pipe"...). A picture over maxCoverPixels
    // makes ffmpeg fail.
    static std::vector<std::string> coverJpeg(const std::string& picture, const std::string& format,
                                              const std::string& output);
    // The demuxer a cover is read back with.
    static constexpr const char* jpegFormat = "jpeg_pipe";
    // A cover's longest side, in pixels.
    static constexpr int coverSide = 1000;
    // The most pixels a picture may have to be decoded for a cover (4 MP,
    // 2048x2048): ffmpeg's -max_pixels, an option of the decoder.
    static constexpr long long maxCoverPixels = 2048LL * 2048;

    // A copy of media the browser pane plays: MP4 (+faststart) of its first
    // picture and sound tracks as info found them, copied as they are
    // (remux) or made H.264 (libx264) and AAC. Progress goes to stdout.
    static std::vector<std::string> playableMp4(const std::string& media,
                                                const MediaProbe::Info& info, bool remux,
                                                const std::string& output);

    // A stream's part files, each a track's segments end to end, joined
    // into one MP4 at output, copied as they are: each read as a local file
    // only, as one of joinFormats; a part's picture and sound mapped as it
    // says it holds them (optionally when it may hold either).
    static std::vector<std::string> streamJoin(const std::vector<StreamJoin::Part>& parts,
                                               const std::string& output);
    // What segments end to end are: MPEG-TS, fragmented MP4, WebM, packed
    // sound.
    static constexpr const char* joinFormats = "mpegts,mov,mp4,m4a,matroska,webm,aac,mp3,ac3,eac3";
};
