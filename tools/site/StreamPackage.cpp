#include "tools/site/StreamPackage.h"

#include "tools/site/DemoStream.h"
#include "tools/site/FfmpegRun.h"

#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::vector<std::string> ffmpegArgs(const DemoClip& clip, Packaging packaging) {
    const std::string segment = std::to_string(StreamPackage::kSegmentSeconds);
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y"};
    const std::vector<std::string> sources = demoSources(clip, 360);
    args.insert(args.end(), sources.begin(), sources.end());
    if (packaging == Packaging::Hls)
        args.insert(args.end(), {"-filter_complex", "[0:v]split=2[v360][v];[v]scale=426:240[v240]",
                                 "-map", "[v360]", "-map", "1:a", "-map", "[v240]", "-map", "1:a",
                                 "-b:v:0", "300k", "-b:v:1", "150k"});
    else
        args.insert(args.end(), {"-map", "0:v", "-map", "1:a", "-b:v", "300k"});
    // A key frame every segment (15 frames a second), so that every segment
    // is as long as asked and starts where a player can.
    args.insert(args.end(), {"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-g",
                             std::to_string(15 * StreamPackage::kSegmentSeconds), "-c:a", "aac",
                             "-b:a", "64k"});
    if (packaging == Packaging::Hls)
        args.insert(args.end(), {"-f", "hls", "-hls_time", segment, "-hls_playlist_type", "vod",
                                 "-hls_segment_type", "mpegts", "-master_pl_name",
                                 StreamPackage::entryName(packaging), "-var_stream_map",
                                 "v:0,a:0,name:360 v:1,a:1,name:240", "-hls_segment_filename",
                                 "%v_%d.ts", "%v.m3u8"});
    else
        args.insert(args.end(),
                    {"-f", "dash", "-seg_duration", segment, StreamPackage::entryName(packaging)});
    return args;
}

} // namespace

namespace StreamPackage {

const char* folderName(Packaging packaging) {
    return packaging == Packaging::Hls ? "hls" : "dash";
}

const char* entryName(Packaging packaging) {
    return packaging == Packaging::Hls ? "master.m3u8" : "manifest.mpd";
}

std::string contentType(const std::string& name) {
    if (endsWith(name, ".m3u8"))
        return "application/vnd.apple.mpegurl";
    if (endsWith(name, ".ts"))
        return "video/mp2t";
    if (endsWith(name, ".mpd"))
        return "application/dash+xml";
    // ffmpeg names the initialisation segments init-*; they are whole MP4 headers.
    if (name.rfind("init-", 0) == 0)
        return "video/mp4";
    return "video/iso.segment";
}

std::shared_ptr<const PackageFiles> make(const DemoClip& clip, Packaging packaging,
                                         const fs::path& folder) {
    if (!runFfmpeg(ffmpegArgs(clip, packaging), folder.string()))
        return nullptr;
    auto files = std::make_shared<PackageFiles>();
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error))
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        if (!in)
            return nullptr;
        (*files)[entry.path().filename().string()] = std::make_shared<std::string>(
            std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (error || !files->count(entryName(packaging)))
        return nullptr;
    return files;
}

} // namespace StreamPackage
