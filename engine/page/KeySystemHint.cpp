#include "page/KeySystemHint.h"

#include "page/HtmlReader.h"

#include <algorithm>
#include <array>
#include <string>

namespace {

// The longest first.
constexpr std::array<std::string_view, 5> Names = {"requestMediaKeySystemAccess",
                                                   "com.widevine.alpha", "com.microsoft.playready",
                                                   "com.apple.fps", "org.w3.clearkey"};

// Looks through the text of scripts as it comes; a name may be split
// between two runs, so the end of the last run is kept.
class ScriptWatch : public HtmlReader::Handler {
public:
    void open(std::string_view name, const HtmlReader::Attributes&) override {
        if (name == "script") {
            inScript = true;
            carry.clear();
        }
    }
    void close(std::string_view name) override {
        if (name == "script")
            inScript = false;
    }
    void text(std::string_view text) override {
        if (!inScript || found)
            return;
        carry.append(text);
        for (const std::string_view name : Names)
            if (carry.find(name) != std::string::npos) {
                found = true;
                return;
            }
        if (carry.size() > keep)
            carry.erase(0, carry.size() - keep);
    }

    bool found = false;

private:
    static constexpr std::size_t keep = Names[0].size() - 1;
    bool inScript = false;
    std::string carry;
};

} // namespace

bool KeySystemHint::inPage(std::string_view html) {
    ScriptWatch watch;
    HtmlReader::read(html, watch);
    return watch.found;
}
