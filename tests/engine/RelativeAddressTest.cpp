#include "page/RelativeAddress.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kBase = "http://a/b/c/d;p?q";

void expectJoins(const std::string& base, const Cases& cases) {
    for (const auto& [reference, joined] : cases)
        EXPECT_EQ(resolveAddress(base, reference), joined) << base << " + " << reference;
}

TEST(RelativeAddressJoin, FollowsTheExamplesOfRfc3986) {
    expectJoins(kBase, {{"g", "http://a/b/c/g"},
                        {"./g", "http://a/b/c/g"},
                        {"/g", "http://a/g"},
                        {"//g", "http://g/"},
                        {"?y", "http://a/b/c/d;p?y"},
                        {"g?y#s", "http://a/b/c/g?y#s"},
                        {";x", "http://a/b/c/;x"},
                        {".", "http://a/b/c/"},
                        {"..", "http://a/b/"},
                        {"../..", "http://a/"},
                        {"../../../../g", "http://a/g"},
                        {"/./g", "http://a/g"},
                        {"g.", "http://a/b/c/g."},
                        {"..g", "http://a/b/c/..g"},
                        {"./../g", "http://a/b/g"},
                        {"g;x=1/../y", "http://a/b/c/y"},
                        {"g?y/../x", "http://a/b/c/g?y/../x"},
                        {"g#s/../x", "http://a/b/c/g#s/../x"}});
}

// The page's own fragment names no other resource, and a bare fragment
// stays on the page.
TEST(RelativeAddressJoin, ThePagesFragmentIsLeftBehind) {
    expectJoins(kBase, {{"#s", "http://a/b/c/d;p?q#s"}, {"#", "http://a/b/c/d;p?q"}});
    expectJoins("http://h/d/p#f/g", {{"y", "http://h/d/y"}, {"?q", "http://h/d/p?q"}});
    expectJoins("http://h", {{"x", "http://h/x"}, {"?q", "http://h/?q"}, {"x?", "http://h/x"}});
}

TEST(RelativeAddressJoin, AbsoluteReferencesAreKeptByteForByte) {
    for (const char* absolute : {"HTTPS://h/Odd/../x", "ftp://h/x", "g:h", "http:g"})
        EXPECT_EQ(resolveAddress(kBase, absolute), absolute);
}

TEST(RelativeAddressJoin, BytesAnAddressMayNotHoldAreEscaped) {
    expectJoins("http://h/d/p", {{"/x y", "http://h/x%20y"},
                                 {"a b.flv?q=1 2", "http://h/d/a%20b.flv?q=1+2"},
                                 {"\xc3\xa9.mp4?\xc3\xa9", "http://h/d/%c3%a9.mp4?%c3%a9"},
                                 {"x#c d", "http://h/d/x#c%20d"},
                                 {"x?a#c d", "http://h/d/x?a#c+d"},
                                 {"a%20b%zz<|>", "http://h/d/a%20b%zz<|>"}});
    EXPECT_EQ(resolveAddress("http://h/\xc3\xa9/p", "x"), "http://h/%c3%a9/x");
}

// Scheme, host and port as libcurl wrote them; the host keeps its case.
TEST(RelativeAddressJoin, TheAuthorityComesOutAsLibcurlWroteIt) {
    expectJoins("HTTP://u:p@HOST:080/D/P", {{"x", "http://u:p@HOST:80/D/x"}});
    expectJoins("http:/h/d/p", {{"x", "http://h/d/x"}});
    expectJoins("http://h/d/p", {{"//Host:81/x", "http://Host:81/x"},
                                 {"//h:/x", "http://h/x"},
                                 {"///k/x", "http://k/x"},
                                 {"//u;o@h%41", "http://u;o@hA/"},
                                 {"//h%/x", "http://h%25/x"},
                                 {"//0x7f.1/x", "http://127.0.0.1/x"},
                                 {"//2130706433/x", "http://127.0.0.1/x"},
                                 {"//1.2.3.256/x", "http://1.2.3.256/x"},
                                 {"//[0:0::1]:8/x", "http://[::1]:8/x"},
                                 {"//[FE80::1%25en0]/x", "http://[FE80::1%25en0]/x"}});
}

TEST(RelativeAddressJoin, WhatCannotBeFetchedGivesNothing) {
    for (const std::string& reference :
         std::vector<std::string>{"", std::string("a\0b", 3), "a\tb", "a\x7f", "1a:b", "+x:y", "//",
                                  "////k/x", "//h h/x", "//h!/x", "//h%2f/x", "//u@/x",
                                  "//h:65536/x", "//h:8a/x", "//[::G]/x", "//[::1]x/x"})
        EXPECT_EQ(resolveAddress("http://h/d/p", reference), "") << reference;
    for (const char* base :
         {"ftp://h/d/p", "h/d/p", "http:h/d/p", "http:////h/", "http://h/d x/p", "http://h:99999/"})
        EXPECT_EQ(resolveAddress(base, "x"), "") << base;
}

TEST(RelativeAddressJoin, LongReferencesStayBounded) {
    std::string climb;
    while (climb.size() + 3 < (std::size_t{1} << 20))
        climb += "../";
    EXPECT_EQ(resolveAddress("http://h/d/p", climb + "x"), "http://h/x");
    const std::string deep((std::size_t{1} << 20) - 1, '/');
    EXPECT_EQ(resolveAddress("http://h/", "a" + deep).size(), 9 + (std::size_t{1} << 20));
    EXPECT_EQ(resolveAddress("http://h/", "ab" + deep), "");
}

} // namespace
