#pragma once

#include <QString>
#include <QUrl>

// Addresses of the product web site, fixed when the program is built.
namespace SiteAddress {

inline QString home() {
    return QStringLiteral(QUILLMOTH_SITE_URL);
}
inline QString splashPage() {
    return home() + QStringLiteral("/splash.php?v=2&v2=8");
}
inline QString searchPage() {
    return home() + QStringLiteral("/search.php?v=2&v2=8");
}
// The address box's first text: the search page without its query.
inline QString searchAddress() {
    return home() + QStringLiteral("/search.php");
}

} // namespace SiteAddress
