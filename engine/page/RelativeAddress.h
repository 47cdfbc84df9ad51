#pragma once

#include <string>
#include <string_view>

// The address a stream map's entry names, read against the page's address
// (RFC 3986): an absolute address as it stands, a relative one ("/x.flv",
// "x.flv", "//host/x.flv", "../x") joined to base. Empty when there is
// nothing to fetch: an empty, unreadable or absurdly long (over 1 MiB)
// reference, or a join that does not give an http(s) address.
std::string resolveAddress(const std::string& base, std::string_view reference);
