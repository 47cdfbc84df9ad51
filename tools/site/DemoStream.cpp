#include "tools/site/DemoStream.h"

#include "tools/site/FfmpegRun.h"

std::vector<std::string> demoSources(const DemoClip& clip, int lines) {
    const std::string seconds = std::to_string(clip.seconds);
    // Widths stay even for yuv420p.
    const std::string size = std::to_string(lines * 16 / 9 / 2 * 2) + "x" + std::to_string(lines);
    const std::string video = clip.source + "=duration=" + seconds + ":size=" + size + ":rate=15";
    // 22 kHz audio: AAC encoding is most of the long clip's cost.
    const std::string tone =
        "sine=frequency=" + std::to_string(clip.toneHz) + ":sample_rate=22050:duration=" + seconds;
    return {"-f", "lavfi", "-i", video, "-f", "lavfi", "-i", tone};
}

bool makeDemoStream(const DemoClip& clip, Container container, int lines, const std::string& out) {
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y"};
    const std::vector<std::string> sources = demoSources(clip, lines);
    args.insert(args.end(), sources.begin(), sources.end());
    args.insert(args.end(), {"-map", "0:v", "-map", "1:a", "-shortest"});
    if (container == Container::Flv) {
        args.insert(args.end(),
                    {"-c:v", "flv", "-q:v", "8", "-c:a", "libmp3lame", "-b:a", "64k", "-f", "flv"});
    } else if (container == Container::WebM) {
        // Codecs every Chromium plays, in one file a Media Source player
        // appends whole.
        args.insert(args.end(), {"-c:v", "libvpx", "-deadline", "realtime", "-cpu-used", "8",
                                 "-b:v", "400k", "-c:a", "libvorbis", "-b:a", "64k", "-f", "webm"});
    } else {
        args.insert(args.end(),
                    {"-c:v", "libx264", "-preset", "ultrafast", "-crf", "30", "-pix_fmt", "yuv420p",
                     "-c:a", "aac", "-b:a", "64k", "-movflags", "+faststart", "-f", "mp4"});
    }
    args.push_back(out);
    return runFfmpeg(std::move(args));
}
