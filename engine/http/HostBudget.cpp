#include "http/HostBudget.h"

#include <curl/curl.h>

#include <memory>
#include <utility>

namespace {

struct UrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

} // namespace

HostBudget::Slot::~Slot() {
    if (budget_)
        budget_->give(host_);
}

HostBudget::Slot::Slot(Slot&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr)), host_(std::move(other.host_)) {}

HostBudget::Slot& HostBudget::Slot::operator=(Slot&& other) noexcept {
    if (this != &other) {
        if (budget_)
            budget_->give(host_);
        budget_ = std::exchange(other.budget_, nullptr);
        host_ = std::move(other.host_);
    }
    return *this;
}

HostBudget::HostBudget(int perHost) : perHost_(perHost > 0 ? perHost : 1) {}

HostBudget::Slot HostBudget::take(const std::string& host, bool forced) {
    const std::lock_guard<std::mutex> lock(mutex_);
    int& count = held_[host];
    if (count >= perHost_ && !forced)
        return {};
    ++count;
    return Slot(this, host);
}

int HostBudget::held(const std::string& host) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = held_.find(host);
    return it == held_.end() ? 0 : it->second;
}

void HostBudget::give(const std::string& host) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = held_.find(host);
    if (it != held_.end() && --it->second <= 0)
        held_.erase(it);
}

std::string HostBudget::hostOf(const std::string& url) {
    const std::unique_ptr<CURLU, UrlFree> parsed(curl_url());
    char* host = nullptr;
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
        curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK || !host)
        return {};
    std::string name(host);
    curl_free(host);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return name;
}
