#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// A text read as percentDecode would make it, without making the copy: a
// page is searched where it lies. Positions are the raw text's, always at
// the start of a decoded byte ("%41" is one byte, "A").
class DecodedText {
public:
    static constexpr std::size_t npos = std::string_view::npos;

    explicit DecodedText(std::string_view raw) : raw_(raw) {}

    std::size_t size() const { return raw_.size(); }
    // The first place in [from, to) where the decoded text reads needle:
    // where it begins, and in end where it ends. npos when it does not.
    std::size_t find(std::string_view needle, std::size_t from, std::size_t to,
                     std::size_t* end = nullptr) const;
    // The decoded bytes of [from, to), at most maxBytes of them.
    std::string decoded(std::size_t from, std::size_t to, std::size_t maxBytes) const;

private:
    // The decoded byte at raw position pos; next becomes the position after it.
    char at(std::size_t pos, std::size_t& next) const;

    std::string_view raw_;
};
