#include "library/SubtitleFiles.h"

#include "base/AsciiCase.h"
#include "base/MediaFormat.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// A language tag's shape, as tracks are named: a letter, then letters,
// digits, "-" or "_".
bool languageCode(const std::string& code) {
    if (code.empty() || code.size() > 35 || !std::isalpha(static_cast<unsigned char>(code[0])))
        return false;
    return std::all_of(code.begin(), code.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
    });
}

// "en(1)", a second file of one language, is "en".
std::string withoutCopyNumber(const std::string& language) {
    const std::size_t open = language.rfind('(');
    if (open == std::string::npos || open + 2 >= language.size() || language.back() != ')')
        return language;
    for (std::size_t at = open + 1; at + 1 < language.size(); ++at)
        if (!std::isdigit(static_cast<unsigned char>(language[at])))
            return language;
    return language.substr(0, open);
}

} // namespace

namespace {

// One look at the movie's folder: its subtitles, and whether another media
// file of its title is there too.
struct Look {
    std::vector<SubtitleFiles::Track> tracks;
    bool shared = false;
    bool failed = false;
};

Look lookBeside(const std::string& movie) {
    Look look;
    const fs::path path(movie);
    const std::string stem = path.stem().string() + ".";
    std::error_code error;
    fs::directory_iterator entries(path.parent_path().empty() ? fs::path(".") : path.parent_path(),
                                   error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::directory_entry& entry = *entries;
        const fs::path other = entry.path();
        const std::string name = other.filename().string();
        if (name.size() <= stem.size() || name.compare(0, stem.size(), stem) != 0)
            continue;
        const fs::path rest = name.substr(stem.size());
        const std::string type = asciiLowered(rest.extension().string());
        SubtitleFiles::Track track;
        if (rest.extension().empty()) {
            if (other.filename() != path.filename() &&
                MediaFormat::ofExtension(rest.string()).whole())
                look.shared = true;
            track.srt = asciiLowered(rest.string()) == "srt";
            if (!track.srt && asciiLowered(rest.string()) != "vtt")
                continue;
        } else {
            track.srt = type == ".srt";
            track.language = withoutCopyNumber(rest.stem().string());
            if ((!track.srt && type != ".vtt") || !languageCode(track.language))
                continue;
        }
        std::error_code notFile;
        if (!entry.is_regular_file(notFile))
            continue;
        track.path = other.string();
        look.tracks.push_back(std::move(track));
    }
    look.failed = static_cast<bool>(error);
    std::sort(look.tracks.begin(), look.tracks.end(),
              [](const SubtitleFiles::Track& a, const SubtitleFiles::Track& b) {
                  return std::tie(a.language, a.srt, a.path) < std::tie(b.language, b.srt, b.path);
              });
    return look;
}

} // namespace

std::vector<SubtitleFiles::Track> SubtitleFiles::beside(const std::string& movie) {
    return lookBeside(movie).tracks;
}

std::vector<std::string> SubtitleFiles::ownedBy(const std::string& movie) {
    Look look = lookBeside(movie);
    if (look.shared || look.failed)
        return {};
    std::vector<std::string> owned;
    for (Track& track : look.tracks)
        owned.push_back(std::move(track.path));
    return owned;
}

std::string SubtitleFiles::following(const std::string& subtitle, const std::string& movie,
                                     const std::string& renamed) {
    const fs::path from(subtitle);
    const std::string rest =
        from.filename().string().substr(fs::path(movie).stem().string().size());
    return (fs::path(renamed).parent_path() / (fs::path(renamed).stem().string() + rest)).string();
}
