#include "media/FfmpegArguments.h"

#include <ctime>

namespace {

using Arguments = std::vector<std::string>;

// ffmpeg, quiet but for errors, never reading the terminal.
Arguments ffmpeg(const char* logLevel = "error") {
    return {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", logLevel};
}

// What the input named next may be read with and as.
void addInputRules(Arguments& args) {
    args.insert(args.end(), {"-protocol_whitelist", FfmpegArguments::inputProtocols,
                             "-format_whitelist", FfmpegArguments::inputFormats});
}

std::string file(const std::string& path) {
    return "file:" + path;
}

} // namespace

Arguments FfmpegArguments::probe(const std::string& media) {
    Arguments args = {"ffprobe", "-v", "error"};
    addInputRules(args);
    args.insert(args.end(), {"-show_entries",
                             "stream=index,codec_type,codec_name,pix_fmt,duration"
                             ":stream_disposition=attached_pic:format=format_name,duration",
                             "-of", "default", file(media)});
    return args;
}

Arguments FfmpegArguments::mp3(const std::string& movie, const std::string& bitRate,
                               const Mp3Tags& tags, const std::string& output) {
    Arguments args = ffmpeg();
    args.insert(args.end(), {"-nostats", "-progress", "pipe:1"});
    addInputRules(args);
    args.insert(args.end(), {"-i", file(movie)});
    if (tags.cover.empty()) {
        args.push_back("-vn");
    } else {
        // The cover is our own JPEG, read as nothing else.
        args.insert(args.end(), {"-protocol_whitelist", inputProtocols, "-format_whitelist",
                                 jpegFormat, "-f", jpegFormat, "-i", file(tags.cover)});
        // "Cover (front)" makes the APIC frame's picture type the front cover.
        args.insert(args.end(),
                    {"-map", "0:a:0", "-map", "1:v:0", "-c:v", "copy", "-disposition:v:0",
                     "attached_pic", "-metadata:s:v:0", "comment=Cover (front)"});
    }
    args.insert(args.end(), {"-acodec", "libmp3lame", "-ac", "2", "-ab", bitRate});
    // "key=value" in one argument: a title starting with "-" stays a value.
    if (!tags.title.empty())
        args.insert(args.end(), {"-metadata", "title=" + tags.title});
    if (!tags.comment.empty())
        args.insert(args.end(), {"-metadata", "comment=" + tags.comment});
    args.insert(args.end(), {"-id3v2_version", "3", "-y", "-f", "mp3", file(output)});
    return args;
}

Arguments FfmpegArguments::coverJpeg(const std::string& picture, const std::string& format,
                                     const std::string& output) {
    Arguments args = ffmpeg();
    // A picture of more pixels is never decoded (a 16000x16000 one took
    // ffmpeg most of a gigabyte): the decoder fails, so there is no cover.
    args.insert(args.end(),
                {"-protocol_whitelist", inputProtocols, "-format_whitelist", format, "-max_pixels",
                 std::to_string(maxCoverPixels), "-f", format, "-i", file(picture)});
    const std::string side = std::to_string(coverSide);
    // Shrunk to fit coverSide, never enlarged; JPEG's 4:2:0 needs even sizes.
    args.insert(args.end(), {"-frames:v", "1", "-vf",
                             "scale=w='min(iw," + side + ")':h='min(ih," + side +
                                 ")':force_original_aspect_ratio=decrease:force_divisible_by=2",
                             "-pix_fmt", "yuvj420p", "-c:v", "mjpeg", "-q:v", "3", "-y", "-f",
                             "mjpeg", file(output)});
    return args;
}

Arguments FfmpegArguments::playableMp4(const std::string& media, const MediaProbe::Info& info,
                                       bool remux, const std::string& output) {
    Arguments args = ffmpeg();
    args.insert(args.end(), {"-nostats", "-progress", "pipe:1"});
    addInputRules(args);
    args.insert(args.end(), {"-i", file(media)});
    // One picture and one sound track at most: cover art, subtitles and
    // data tracks stay behind.
    for (const MediaProbe::Stream* s : {info.video(), info.audio()}) {
        if (s != nullptr) {
            args.insert(args.end(), {"-map", "0:" + std::to_string(s->index)});
        }
    }
    if (remux) {
        args.insert(args.end(), {"-c", "copy"});
    } else {
        if (info.video() != nullptr) {
            // 4:2:0 needs even sizes.
            args.insert(args.end(), {"-c:v", "libx264", "-preset", "veryfast", "-pix_fmt",
                                     "yuv420p", "-vf", "scale=trunc(iw/2)*2:trunc(ih/2)*2"});
        }
        if (info.audio() != nullptr) {
            args.insert(args.end(), {"-c:a", "aac"});
        }
    }
    // The temporary name ends in .part, so the container is named.
    args.insert(args.end(), {"-movflags", "+faststart", "-y", "-f", "mp4", file(output)});
    return args;
}

Arguments FfmpegArguments::streamJoin(const std::vector<StreamJoin::Part>& parts,
                                      const std::string& output) {
    Arguments args = ffmpeg();
    for (const StreamJoin::Part& part : parts)
        args.insert(args.end(), {"-protocol_whitelist", inputProtocols, "-format_whitelist",
                                 joinFormats, "-i", file(part.path)});
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string input = std::to_string(i);
        // A part that may hold either maps each only if it is there.
        const char* optional = parts[i].picture && parts[i].sound ? "?" : "";
        if (parts[i].picture)
            args.insert(args.end(), {"-map", input + ":v:0" + optional});
        if (parts[i].sound)
            args.insert(args.end(), {"-map", input + ":a:0" + optional});
    }
    // The temporary name ends in .part, so the container is named; M4A is
    // MP4 of sound only.
    args.insert(args.end(), {"-c", "copy", "-y", "-f", "mp4", file(output)});
    return args;
}
