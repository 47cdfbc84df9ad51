// config.dat's reader: ConfigFile::parseText and ::parseLine on any text, the
// file load on the same bytes, and the writer/reader round trip.
#include "FuzzCheck.h"
#include "settings/ConfigFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// One in-memory file for the file load (a file on disk costs milliseconds
// per input on some file systems); ConfigFile opens it by its /proc name.
class ScratchFile {
public:
    ScratchFile() : fd_(memfd_create("config.dat", 0)) {
        FUZZ_CHECK(fd_ >= 0);
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    const std::string& path() const { return path_; }
    void write(const std::string& text) const {
        FUZZ_CHECK(ftruncate(fd_, 0) == 0);
        FUZZ_CHECK(pwrite(fd_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()));
    }

private:
    int fd_;
    std::string path_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    ConfigFile parsed;
    const bool accepted = parsed.parseText(text);
    // Six lines at least: five LFs.
    if (accepted)
        FUZZ_CHECK(std::count(text.begin(), text.end(), '\n') >= 5);

    // The file load reads the same bytes the same way.
    ConfigFile loaded;
    static const ScratchFile scratch;
    scratch.write(text);
    FUZZ_CHECK(loaded.load(scratch.path()) == accepted);
    FUZZ_CHECK(loaded == parsed);

    // What the program saves from any values it read, it reads back as
    // accepted and unchanged (values never hold an LF: lines end there).
    const std::string saved = parsed.text();
    ConfigFile reread;
    FUZZ_CHECK(reread.parseText(saved));
    FUZZ_CHECK(reread == parsed);
    FUZZ_CHECK(reread.text() == saved);

    // A single line: a refused one changes nothing; an accepted one that is
    // not empty names one of the six keys within the key part.
    const std::string line = text.substr(0, text.find('\n'));
    ConfigFile one = parsed;
    if (!one.parseLine(line)) {
        FUZZ_CHECK(one == parsed);
    } else if (!line.empty()) {
        const std::string key = line.substr(0, line.find(';'));
        FUZZ_CHECK(key.size() < static_cast<std::size_t>(ConfigFile::MAX_TOKEN_SIZE));
        bool known = false;
        for (const char* k :
             {ConfigFile::MOVIE_PATH_TKN, ConfigFile::MP3_PATH_TKN, ConfigFile::SHOW_MOVIE_TKN,
              ConfigFile::SHOW_MP3_TKN, ConfigFile::QUALITY_TKN, ConfigFile::CONVERT_TKN})
            known = known || key == k;
        FUZZ_CHECK(known);
    }
    return 0;
}
