#pragma once

#include <string>

// The pages of the companion site. `origin` is "http://host:port" as the
// visitor reached the site, so that every link points back at this server.
namespace SitePages {

std::string splash(const std::string& origin);
std::string search(const std::string& origin);
std::string watch(const std::string& origin);
std::string home(const std::string& origin);

} // namespace SitePages
