#include "tools/site/SiteOrigin.h"

std::string siteOrigin(const httplib::Request& req, const std::string& fallback) {
    const std::string host = req.get_header_value("Host");
    if (host.empty() || host.size() > 255 ||
        host.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                               "0123456789.-:[]") != std::string::npos)
        return fallback;
    return "http://" + host;
}
