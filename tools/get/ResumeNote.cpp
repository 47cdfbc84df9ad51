#include "ResumeNote.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::size_t maxNoteBytes = 4096;

} // namespace

std::optional<ResumeNote> ResumeNote::read(const std::string& part) {
    const int fd = ::open(pathOf(part).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string text(maxNoteBytes, '\0');
    const ssize_t n = ::read(fd, text.data(), text.size());
    ::close(fd);
    if (n <= 0)
        return std::nullopt;
    text.resize(static_cast<std::size_t>(n));
    const auto first = text.find('\n');
    const auto second = first == std::string::npos ? first : text.find('\n', first + 1);
    if (second == std::string::npos)
        return std::nullopt;
    ResumeNote note;
    note.validator = text.substr(0, first);
    const std::string total = text.substr(first + 1, second - first - 1);
    char* end = nullptr;
    note.total = std::strtoll(total.c_str(), &end, 10);
    if (total.empty() || *end != '\0' || note.total < 0)
        return std::nullopt;
    return note;
}

bool ResumeNote::write(const std::string& part) const {
    if (validator.find('\n') != std::string::npos)
        return false;
    const std::string note = pathOf(part);
    std::string temp = note + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::string text = validator + "\n" + std::to_string(total) + "\n";
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
