#include "app/search/BrowserCookies.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

QNetworkCookie cookie(const char* name, const char* domain, qint64 inSeconds = 0) {
    QNetworkCookie made(name, "v 1");
    made.setDomain(QString::fromLatin1(domain));
    made.setPath(QStringLiteral("/"));
    if (inSeconds)
        made.setExpirationDate(QDateTime::currentDateTimeUtc().addSecs(inSeconds));
    return made;
}

} // namespace

// A download is sent the cookies its page's host would get, no others, in
// the lines libcurl reads.
TEST(BrowserCookiesTest, AHostGetsItsOwnAndItsDomainsCookies) {
    BrowserCookies jar;
    jar.add(cookie("own", "video.example.com"));
    jar.add(cookie("wide", ".example.com", 3600));
    jar.add(cookie("sibling", "www.example.com"));
    jar.add(cookie("lookalike", ".myexample.com"));
    jar.add(cookie("stale", ".example.com", -3600));
    QNetworkCookie secret = cookie("secret", "video.example.com");
    secret.setHttpOnly(true);
    secret.setSecure(true);
    jar.add(secret);

    const auto lines = jar.linesFor("video.example.com");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with(".example.com\tTRUE\t/\tFALSE\t")) << lines[0];
    EXPECT_TRUE(lines[0].ends_with("\twide\tv 1")) << lines[0];
    EXPECT_EQ(lines[1], "video.example.com\tFALSE\t/\tFALSE\t0\town\tv 1");
    EXPECT_EQ(lines[2], "#HttpOnly_video.example.com\tFALSE\t/\tTRUE\t0\tsecret\tv 1");

    jar.remove(cookie("own", "video.example.com"));
    EXPECT_EQ(jar.linesFor("video.example.com").size(), 2u);
    EXPECT_TRUE(jar.linesFor("example.org").empty());
}
