#pragma once

#include "tools/site/DemoClip.h"

#include <string>
#include <vector>

// The clips the site offers, in the order the search page lists them.
namespace DemoCatalog {

const std::vector<DemoClip>& clips();
// The clip with this id, or null.
const DemoClip* find(const std::string& id);
// The stream map's keys for clip, smallest first.
std::vector<std::string> streamKeys(const DemoClip& clip);
Container containerOf(const std::string& key);
const char* extension(Container container);
// "m:ss"
std::string length(const DemoClip& clip);

} // namespace DemoCatalog
