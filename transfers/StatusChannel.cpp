#include "StatusChannel.h"

#include <cstdlib>
#include <cstring>

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
    Decoded out{std::atoi(idText.c_str()), {}};
    if (bar != std::string::npos)
        out.status = text.substr(bar + 1);
    return out;
}

void StatusChannel::cb(int index, const char* status) {
    updates.push(encode(index, status));
}

void StatusChannel::cb2(int index, double dltotal, double dlnow) {
    dls.push(DLPair(index, dltotal, dlnow));
}
