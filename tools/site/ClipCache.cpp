#include "tools/site/ClipCache.h"

#include "tools/site/DemoCatalog.h"
#include "tools/site/DemoStream.h"

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
    std::string name = clip.id;
    if (lines != kLegacyLines)
        name += '-' + std::to_string(lines);
    name += '.';
    name += DemoCatalog::extension(container);
    Entry& made = entry(name);
    std::lock_guard<std::mutex> lock(made.making);
    if (made.bytes || scratch_.empty())
        return made.bytes;
    const fs::path out = scratch_ / name;
    if (makeDemoStream(clip, container, lines, out.string())) {
        std::ifstream in(out, std::ios::binary);
        auto bytes = std::make_shared<std::string>(std::istreambuf_iterator<char>(in),
                                                   std::istreambuf_iterator<char>());
        if (in && !bytes->empty())
            made.bytes = std::move(bytes);
    }
    std::error_code ignored;
    fs::remove(out, ignored);
    return made.bytes;
}

std::shared_ptr<const PackageFiles> ClipCache::package(const DemoClip& clip, Packaging packaging) {
    const std::string name = clip.id + "." + StreamPackage::folderName(packaging);
    Entry& made = entry(name);
    std::lock_guard<std::mutex> lock(made.making);
    if (made.files || scratch_.empty())
        return made.files;
    const fs::path folder = scratch_ / name;
    std::error_code ignored;
    if (fs::create_directory(folder, ignored))
        made.files = StreamPackage::make(clip, packaging, folder);
    fs::remove_all(folder, ignored);
    return made.files;
}

ClipCache::Entry& ClipCache::entry(const std::string& name) {
    std::lock_guard<std::mutex> lock(entriesMutex_);
    auto& slot = entries_[name];
    if (!slot)
        slot = std::make_unique<Entry>();
    return *slot;
}
