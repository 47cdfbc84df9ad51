#include "StatusChannel.h"

#include <cstdlib>
#include <cstring>
#include <limits>

ReportQueue<std::string>& StatusChannel::updates = *new ReportQueue<std::string>;
ReportQueue<DLPair>& StatusChannel::dls = *new ReportQueue<DLPair>;

std::string StatusChannel::encode(int index, const char* status) {
    std::string text = std::to_string(index);
    text += '|';
    text += status ? status : "";
    return text;
}

StatusChannel::Decoded StatusChannel::decode(const std::string& text) {
    const auto bar = text.find('|');
    const std::string idText = text.substr(0, bar);
    // Read as atoi would, but an id beyond int's range (atoi's undefined
    // case) names no transfer instead of wrapping onto another's.
    const long long id = std::strtoll(idText.c_str(), nullptr, 10);
    const bool fits =
        id >= std::numeric_limits<int>::min() && id <= std::numeric_limits<int>::max();
    Decoded out{fits ? static_cast<int>(id) : -1, {}};
    if (bar != std::string::npos)
        out.status = text.substr(bar + 1);
    return out;
}

void StatusChannel::cb(int index, const char* status) {
    updates.push(encode(index, status));
}

void StatusChannel::cb2(int index, double dltotal, double dlnow) {
    // Stamped here, on the worker, rather than when the window drains it:
    // the drain keeps only a transfer's last report per tick and runs on the
    // window's timer, late by whatever else the window was doing, so a
    // drain-time stamp would measure the timer, not the link.
    dls.push(DLPair(index, dltotal, dlnow, DLPair::Clock::now()));
}
