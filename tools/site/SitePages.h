#pragma once

#include "tools/site/DemoClip.h"
#include "tools/site/SiteLanguage.h"

#include <string>

// The pages of the companion site. `origin` is "http://host:port" as the
// visitor reached the site (see SiteOrigin), so that every link points back
// at this server. Every text that is not the site's own markup is escaped.
namespace SitePages {

// Welcome, naming the program's version and its tabs as its window does in
// that language, and a page of each of today's forms.
std::string splash(const std::string& origin, SiteLanguage language = SiteLanguage::English);
// The clips whose title or blurb holds query (ASCII case ignored); all of
// them for an empty query. Then the pages of today's forms, likewise.
std::string search(const std::string& origin, const std::string& query);
// The clip's page: its headline and stream map in the shapes the program
// reads, and a player for the MP4 stream.
std::string watch(const std::string& origin, const DemoClip& clip);
std::string home(const std::string& origin, SiteLanguage language = SiteLanguage::English);
// What was asked for and is not here.
std::string notFound(const std::string& origin, const std::string& what);

// The site's page: its style, title and body, and head inside <head>.
std::string layout(const std::string& title, const std::string& body, const std::string& head = {});

// text with & < > " ' as character references; every other byte (UTF-8
// included) as it is.
std::string escapeHtml(const std::string& text);

} // namespace SitePages
