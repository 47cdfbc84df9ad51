#pragma once

#include <string>
#include <vector>

class CancelToken;

// What ffprobe says about a media file: its container and the codecs of its
// streams. Only the file itself is read (FfmpegArguments), so a playlist or
// a concat list can never make ffprobe, or the ffmpeg run after it, open
// another file.
//
// Blocking; runs on the caller's (worker) thread.
class MediaProbe {
public:
    enum class Status { Ok, Unreadable, NoProgram, Cancelled };

    struct Stream {
        int index = -1;
        std::string type; // "video", "audio", ...
        std::string codec;
        std::string pixelFormat;      // video only
        bool attachedPicture = false; // cover art, not a picture track
        double duration = 0;          // seconds; 0 when the stream does not say
    };

    struct Info {
        // ffprobe's demuxer names, e.g. {"mov", "mp4", "m4a", ...}.
        std::vector<std::string> formats;
        double duration = 0; // seconds; 0 when unknown
        std::vector<Stream> streams;

        bool hasFormat(const std::string& name) const;
        // The first picture track and the first sound track, or null.
        const Stream* video() const;
        const Stream* audio() const;
        // Seconds of the first sound track, else of the whole file (FLV
        // keeps no duration per stream); 0 without sound or when unknown.
        double audioDuration() const;
    };

    struct Result {
        Status status = Status::Unreadable;
        Info info;
    };

    static Result probe(const std::string& path, const CancelToken* cancel = nullptr);

    // ffprobe's "-of default" text with the entries probe() asks for.
    static Info parse(const std::vector<std::string>& lines);
};
