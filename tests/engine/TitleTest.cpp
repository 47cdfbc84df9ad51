#include "core.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHead = "<h1 id=\"watch-headline-title\">";

class TitleTest : public ::testing::Test {
protected:
    // A watch page whose headline holds `inner`.
    static std::string page(const std::string& inner) {
        return "<html><body><div>" + kHead + inner + "</h1><p>more</p></body></html>";
    }
    static std::string find(const std::string& html) {
        return core::findTitle(html.c_str()).value_or("<none>");
    }
};

TEST_F(TitleTest, TitleAttributeWinsOverText) {
    EXPECT_EQ(find(page("<span class=\"t\" title=\"My Clip\">My Clip shown</span>")), "My Clip");

    // The value runs to the first attribute end, across a following attribute.
    EXPECT_EQ(find(page("<span title=\"A\" class=\"b\">x</span>")), "A\" class=\"b");

    // A title marker but no attribute end: nothing found, the caller keeps its title.
    EXPECT_EQ(find(page("<span title=\"A\" class=\"b\" >x</span>")), "<none>");
}

TEST_F(TitleTest, TextOfFirstElementWithoutAttribute) {
    EXPECT_EQ(find(page("<b>Clip</b>")), "Clip");

    // The first ">" followed directly by "<" gives the empty title, which replaces the old one.
    EXPECT_EQ(find(page("<b><i>Clip</i></b>")), "");

    // A title marker at the very start of the segment is not taken as the attribute.
    EXPECT_EQ(find(kHead + "title=\"X\">Y<"), "Y");

    // Headline without a closing tag runs to the end of the page.
    EXPECT_EQ(find(kHead + "<em>Open end</em>"), "Open end");
}

TEST_F(TitleTest, PagesWithoutTitleKeepThePreviousOne) {
    for (const std::string& html : {std::string("<html>no headline</html>"), std::string(),
                                    kHead + "no tag at all</h1>", kHead + "<b>never closed"}) {
        EXPECT_EQ(find(html), "<none>") << html;
    }
    EXPECT_FALSE(core::findTitle(nullptr).has_value());
}

TEST_F(TitleTest, CleaningTrimsTruncatesAndReplacesSeparators) {
    EXPECT_EQ(find(page("<b>Clip   </b>")), "Clip");
    EXPECT_EQ(find(page("<b>   </b>")), "");
    EXPECT_EQ(find(page("<b>" + std::string(60, 'a') + "</b>")), std::string(42, 'a'));
    // Cut first, trimmed before: trailing blanks inside the 42 kept characters stay.
    EXPECT_EQ(find(page("<b>" + std::string(41, 'a') + "  b</b>")), std::string(41, 'a') + " ");
    EXPECT_EQ(find(page("<b>Tom &amp; Jerry</b>")), "Tom &amp  Jerry");
    EXPECT_EQ(find(page("<b>A|B;C</b>")), "A B C");
    // Replacement happens after truncation, so a ";" past 42 characters is simply gone.
    EXPECT_EQ(find(page("<b>" + std::string(42, 'x') + ";</b>")), std::string(42, 'x'));
}

TEST_F(TitleTest, WholePageIsPercentDecoded) {
    EXPECT_EQ(find(page("<b>My%20Clip+1</b>")), "My Clip+1");
    EXPECT_EQ(find("id%3D%22watch-headline-title%22%3E<b>Encoded</b>"), "Encoded");
    // "%00" ends the page: the headline after it is never seen.
    EXPECT_EQ(find("x%00" + page("<b>Hidden</b>")), "<none>");
}

TEST_F(TitleTest, TruncationKeepsMultibyteCharactersWhole) {
    // 41 ASCII letters then "é" (2 bytes) then more: 42 characters end after the "é".
    const std::string accent = "\xC3\xA9";
    EXPECT_EQ(find(page("<b>" + std::string(41, 'a') + accent + "zz</b>")),
              std::string(41, 'a') + accent);
    // 42 three-byte characters are kept whole, the 43rd is dropped.
    std::string kana;
    for (int i = 0; i < 43; ++i) {
        kana += "\xE3\x81\x82";
    }
    EXPECT_EQ(find(page("<b>" + kana + "</b>")), kana.substr(0, 42 * 3));
}

} // namespace
