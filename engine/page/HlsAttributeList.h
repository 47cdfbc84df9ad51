#pragma once

#include <string_view>
#include <utility>
#include <vector>

// An HLS tag's attribute list (NAME=VALUE,NAME="quoted, with commas"), read
// in one pass. Quoted values come without their quotes; an attribute that
// cannot be read ends the list.
class HlsAttributeList {
public:
    explicit HlsAttributeList(std::string_view text);

    // The value of the first attribute of that name; empty when none.
    std::string_view operator[](std::string_view name) const;
    bool has(std::string_view name) const;

private:
    std::vector<std::pair<std::string_view, std::string_view>> attributes_;
};
