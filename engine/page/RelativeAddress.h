#pragma once

#include "HttpAddress.h"

#include <string>
#include <string_view>

// The address a stream map's entry names, read against the page's address
// (RFC 3986): an absolute address as it stands, a relative one ("/x.flv",
// "x.flv", "//host/x.flv", "../x") joined to base. Empty when there is
// nothing to fetch: an empty, unreadable or absurdly long (over 1 MiB)
// reference, or a join that does not give an http(s) address. A join comes
// out as libcurl wrote it: the scheme in lower case, the port without
// leading zeros, spaces and bytes past ASCII escaped (a space after a '?' as
// '+'), an empty query or fragment left out. isHttpAddress checks what
// comes out.
std::string resolveAddress(const std::string& base, std::string_view reference);
