#include "FfmpegArguments.h"

namespace {

using Arguments = std::vector<std::string>;

// ffmpeg, quiet but for errors, never reading the terminal.
Arguments ffmpeg() {
    return {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error"};
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
                               const std::string& output) {
    Arguments args = ffmpeg();
    addInputRules(args);
    args.insert(args.end(), {"-i", file(movie), "-acodec", "libmp3lame", "-ac", "2", "-ab", bitRate,
                             "-vn", "-y", "-f", "mp3", file(output)});
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
