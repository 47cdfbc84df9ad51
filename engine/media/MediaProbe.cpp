#include "media/MediaProbe.h"
#include "media/FfmpegArguments.h"
#include "media/ProcessRunner.h"

#include <charconv>
#include <sstream>

namespace {

// ffprobe's few screens of text are plenty; anything far bigger is not ours.
constexpr std::size_t maxLines = 4096;

// from_chars, not strtod: the window's locale may write "1,5".
template <typename Number> bool readNumber(const std::string& text, Number& out) {
    const char* end = text.data() + text.size();
    const auto [stop, err] = std::from_chars(text.data(), end, out);
    return err == std::errc{} && stop == end;
}

// "N/A" when the container does not know: 0.
double readSeconds(const std::string& text) {
    double seconds = 0;
    if (readNumber(text, seconds) && seconds > 0 && seconds < 1e9) {
        return seconds;
    }
    return 0;
}

} // namespace

bool MediaProbe::Info::hasFormat(const std::string& name) const {
    for (const auto& f : formats) {
        if (f == name) {
            return true;
        }
    }
    return false;
}

const MediaProbe::Stream* MediaProbe::Info::video() const {
    for (const auto& s : streams) {
        if (s.type == "video" && !s.attachedPicture) {
            return &s;
        }
    }
    return nullptr;
}

const MediaProbe::Stream* MediaProbe::Info::audio() const {
    for (const auto& s : streams) {
        if (s.type == "audio") {
            return &s;
        }
    }
    return nullptr;
}

double MediaProbe::Info::audioDuration() const {
    const Stream* sound = audio();
    if (sound == nullptr) {
        return 0;
    }
    return sound->duration > 0 ? sound->duration : duration;
}

MediaProbe::Result MediaProbe::probe(const std::string& path, const CancelToken* cancel) {
    std::vector<std::string> lines;
    ProcessRunner ffprobe(FfmpegArguments::probe(path));
    // Its complaints about a broken file become our failure, not noise on our stderr.
    ffprobe.discardStderr(true);
    ffprobe.readStdoutLines([&lines](const std::string& line) {
        if (lines.size() < maxLines) {
            lines.push_back(line);
        }
    });
    Result result;
    if (!ffprobe.start()) {
        result.status = Status::NoProgram;
        return result;
    }
    const int status = ffprobe.wait(cancel);
    if (status == ProcessRunner::Cancelled) {
        result.status = Status::Cancelled;
        return result;
    }
    if (status != 0) {
        return result;
    }
    result.info = parse(lines);
    result.status = Status::Ok;
    return result;
}

MediaProbe::Info MediaProbe::parse(const std::vector<std::string>& lines) {
    Info info;
    enum class Section { None, Stream, Format } section = Section::None;
    Stream stream;
    for (const auto& line : lines) {
        if (line == "[STREAM]") {
            section = Section::Stream;
            stream = Stream{};
            continue;
        }
        if (line == "[/STREAM]") {
            if (section == Section::Stream) {
                info.streams.push_back(stream);
            }
            section = Section::None;
            continue;
        }
        if (line == "[FORMAT]") {
            section = Section::Format;
            continue;
        }
        if (line == "[/FORMAT]") {
            section = Section::None;
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (section == Section::Stream) {
            if (key == "index") {
                readNumber(value, stream.index);
            } else if (key == "codec_type") {
                stream.type = value;
            } else if (key == "codec_name") {
                stream.codec = value;
            } else if (key == "pix_fmt") {
                stream.pixelFormat = value;
            } else if (key == "DISPOSITION:attached_pic") {
                stream.attachedPicture = value == "1";
            } else if (key == "duration") {
                stream.duration = readSeconds(value);
            }
        } else if (section == Section::Format) {
            if (key == "format_name") {
                std::istringstream names(value);
                for (std::string name; std::getline(names, name, ',');) {
                    info.formats.push_back(name);
                }
            } else if (key == "duration") {
                info.duration = readSeconds(value);
            }
        }
    }
    return info;
}
