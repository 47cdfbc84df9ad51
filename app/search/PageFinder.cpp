#include "app/search/PageFinder.h"

#include "base/WorkRunner.h"
#include "jobs/PageOffer.h"
#include "jobs/SourceProbe.h"
#include "page/PageTitle.h"
#include "page/StreamChoice.h"

#include <memory>
#include <system_error>
#include <utility>

PageFinder::PageFinder(WorkRunner& runner, QObject* parent)
    : QObject(parent), runner(runner), post(this) {}

PageFinder::~PageFinder() {
    post.close();
}

void PageFinder::find(std::string html, std::string address, int quality, Found found) {
    struct Asked {
        std::string html;
        std::string address;
        int quality;
        Found found;
    };
    auto asked = std::make_shared<Asked>(
        Asked{std::move(html), std::move(address), quality, std::move(found)});
    try {
        runner.run([post = post, asked] {
            // Runs on a worker thread; the findings go back to the window's.
            Findings findings = read(std::move(asked->html), asked->address, asked->quality);
            post([asked, findings = std::move(findings)] { asked->found(findings); });
        });
    } catch (const std::system_error&) {
        // No thread to spare: the page is read here, as it was before workers.
        asked->found(read(std::move(asked->html), asked->address, asked->quality));
    }
}

PageFinder::Findings PageFinder::read(std::string html, const std::string& address, int quality) {
    const PageOffer offer = PageOffer::read(html, address);
    Findings findings;
    findings.title = PageTitle::find(html).value_or(offer.title);
    for (const PageSource& source : offer.sources)
        findings.sources.push_back(SourceRef::of(source));
    if (const auto chosen = offer.pick(quality, 0))
        findings.chosen = static_cast<int>(*chosen);
    // Last: the stream map's reading decodes the page in place.
    findings.streamMap = StreamChoice::inPage(html, quality, address).found();
    return findings;
}

void PageFinder::check(std::string url, FetchBounds bounds, Checked checked) {
    auto asked = std::make_shared<Checked>(std::move(checked));
    try {
        runner.run([post = post, asked, url = std::move(url), bounds = std::move(bounds)] {
            // Runs on a worker thread; what it found goes back to the window's.
            std::optional<SourceRef> found;
            if (const auto source = SourceProbe::check(url, bounds))
                found = SourceRef::of(*source);
            post([asked, found = std::move(found)] { (*asked)(found); });
        });
    } catch (const std::system_error&) {
        // No thread to spare: this address goes unchecked.
        (*asked)(std::nullopt);
    }
}

void PageFinder::size(std::string url, FetchBounds bounds,
                      std::function<void(long long bytes)> sized) {
    auto asked = std::make_shared<std::function<void(long long)>>(std::move(sized));
    try {
        runner.run([post = post, asked, url = std::move(url), bounds = std::move(bounds)] {
            // Runs on a worker thread; the size goes back to the window's.
            long long bytes = 0;
            SourceProbe::check(url, bounds, nullptr, &bytes);
            post([asked, bytes] { (*asked)(bytes); });
        });
    } catch (const std::system_error&) {
        // No thread to spare: the size stays unknown.
        (*asked)(0);
    }
}
