#include "ResumeNote.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

// Room for the ranges of many pieces.
constexpr std::size_t maxNoteBytes = 64 * 1024;

// A whole number of bytes, or -1.
long long count(const std::string& text) {
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    return text.empty() || *end != '\0' || value < 0 ? -1 : value;
}

// The lines of text, each ended by "\n" (a last line without one is not
// whole, so it is not taken).
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', at)) {
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// line without its "name " in front; nothing when it has another name.
std::optional<std::string> field(const std::string& line, std::string_view name) {
    if (line.size() <= name.size() || line.compare(0, name.size(), name) != 0 ||
        line[name.size()] != ' ')
        return std::nullopt;
    return line.substr(name.size() + 1);
}

} // namespace

std::optional<ResumeNote> ResumeNote::read(const std::string& part) {
    const int fd = ::open(pathOf(part).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text(maxNoteBytes, '\0');
    const ssize_t n = ::read(fd, text.data(), text.size());
    ::close(fd);
    if (n <= 0 || static_cast<std::size_t>(n) == text.size())
        return std::nullopt;
    text.resize(static_cast<std::size_t>(n));
    const std::vector<std::string> lines = linesOf(text);
    ResumeNote note;
    if (lines.size() == 4 && lines[0] == piecesHeading) {
        const auto ranges = field(lines[1], "ranges");
        const auto validator = field(lines[2], "validator");
        const auto total = field(lines[3], "total");
        if (!ranges || ranges->empty() || !validator || !total)
            return std::nullopt;
        note.ranges = *ranges;
        note.validator = *validator;
        note.total = count(*total);
    } else if (lines.size() >= 2 && lines[0] != piecesHeading) {
        note.validator = lines[0];
        note.total = count(lines[1]);
    } else {
        return std::nullopt;
    }
    if (note.total < 0)
        return std::nullopt;
    return note;
}

bool ResumeNote::write(const std::string& part) const {
    if (validator.find('\n') != std::string::npos || ranges.find('\n') != std::string::npos)
        return false;
    const std::string note = pathOf(part);
    std::string temp = note + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::string text = ranges.empty() ? validator + "\n" + std::to_string(total) + "\n"
                                            : std::string(piecesHeading) + "\nranges " + ranges +
                                                  "\nvalidator " + validator + "\ntotal " +
                                                  std::to_string(total) + "\n";
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    // A rename replaces a link planted at the note's name, never its target.
    ok = ok && std::rename(temp.c_str(), note.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

void ResumeNote::remove(const std::string& part) {
    ::unlink(pathOf(part).c_str());
}
