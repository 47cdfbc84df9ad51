#include "ClipCache.h"

#include "DemoCatalog.h"
#include "DemoStream.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

ClipCache::ClipCache() {
    std::string pattern = (fs::temp_directory_path() / "quillmoth-site-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        scratch_ = pattern;
}

ClipCache::~ClipCache() {
    if (!scratch_.empty()) {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }
}

std::shared_ptr<const std::string> ClipCache::get(const DemoClip& clip, Container container,
                                                  int lines) {
    const std::string size = lines == kLegacyLines ? "" : "-" + std::to_string(lines);
    const std::string name = clip.id + size + "." + DemoCatalog::extension(container);
    Entry* entry = nullptr;
    {
        std::lock_guard<std::mutex> lock(entriesMutex_);
        auto& slot = entries_[name];
        if (!slot)
            slot = std::make_unique<Entry>();
        entry = slot.get(); // entries are never removed, so the pointer stays good
    }

    std::lock_guard<std::mutex> lock(entry->making);
    if (entry->bytes || scratch_.empty())
        return entry->bytes;
    const fs::path out = scratch_ / name;
    if (makeDemoStream(clip, container, lines, out.string())) {
        std::ifstream in(out, std::ios::binary);
        auto bytes = std::make_shared<std::string>(std::istreambuf_iterator<char>(in),
                                                   std::istreambuf_iterator<char>());
        if (in && !bytes->empty())
            entry->bytes = std::move(bytes);
    }
    std::error_code ignored;
    fs::remove(out, ignored);
    return entry->bytes;
}
