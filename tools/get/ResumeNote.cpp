#include "ResumeNote.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <utility>
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

// The fields of a note after its heading; nothing when a line is no field
// of a note, comes twice, or a field it needs is missing.
std::optional<ResumeState> fieldsOf(const std::vector<std::string>& lines) {
    ResumeState state;
    std::optional<std::string> ranges, validator, total, manifest, segments;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        bool known = false;
        for (auto [name, value] : {std::pair{"ranges", &ranges}, std::pair{"validator", &validator},
                                   std::pair{"total", &total}, std::pair{"manifest", &manifest},
                                   std::pair{"segments", &segments}}) {
            auto read = field(lines[i], name);
            if (!read)
                continue;
            if (*value)
                return std::nullopt;
            *value = std::move(read);
            known = true;
        }
        if (!known)
            return std::nullopt;
    }
    // A validator and a total, and the pieces or the segments to continue.
    if (!validator || !total || (ranges && ranges->empty()) || (!ranges && !segments) ||
        (manifest && !segments))
        return std::nullopt;
    state.ranges = ranges.value_or("");
    state.validator = *validator;
    state.total = count(*total);
    if (segments) {
        auto read = ResumeState::Segments::parse(manifest.value_or(""), *segments);
        if (!read)
            return std::nullopt;
        state.segments = std::move(*read);
    }
    return state;
}

} // namespace

std::optional<ResumeState> ResumeNote::read(const std::string& part) {
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
    std::optional<ResumeState> state;
    if (!lines.empty() && lines[0] == fieldsHeading) {
        state = fieldsOf(lines);
    } else if (lines.size() >= 2) {
        state.emplace();
        state->validator = lines[0];
        state->total = count(lines[1]);
    }
    if (!state || state->total < 0)
        return std::nullopt;
    state->partFile = part;
    return state;
}

bool ResumeNote::write(const std::string& part, const ResumeState& state) {
    const ResumeState::Segments& segments = state.segments;
    for (const std::string* text : {&state.validator, &state.ranges, &segments.manifest})
        if (text->find('\n') != std::string::npos)
            return false;
    std::string text;
    if (state.ranges.empty() && segments.empty()) {
        text = state.validator + "\n" + std::to_string(state.total) + "\n";
    } else {
        text = std::string(fieldsHeading) + "\n";
        if (!state.ranges.empty())
            text += "ranges " + state.ranges + "\n";
        text += "validator " + state.validator + "\ntotal " + std::to_string(state.total) + "\n";
        if (!segments.empty())
            text += "manifest " + segments.manifest + "\nsegments " + segments.text() + "\n";
    }
    const std::string note = pathOf(part);
    std::string temp = note + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
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
