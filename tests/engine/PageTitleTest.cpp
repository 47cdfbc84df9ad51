#include "PageTitle.h"
#include "FileTitle.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHead = "<h1 id=\"watch-headline-title\">";

class PageTitleTest : public ::testing::Test {
protected:
    // A watch page whose headline holds `inner`.
    static std::string page(const std::string& inner) {
        return "<html><body><div>" + kHead + inner + "</h1><p>more</p></body></html>";
    }
    static std::string find(const std::string& html) {
        return PageTitle::find(html).value_or("<none>");
    }
};

TEST_F(PageTitleTest, TitleAttributeWinsOverText) {
    EXPECT_EQ(find(page("<span class=\"t\" title=\"My Clip\">My Clip shown</span>")), "My Clip");

    // The value runs to the first attribute end, across a following attribute.
    EXPECT_EQ(find(page("<span title=\"A\" class=\"b\">x</span>")), "A\" class=\"b");

    // A title marker but no attribute end: nothing found, the caller keeps its title.
    EXPECT_EQ(find(page("<span title=\"A\" class=\"b\" >x</span>")), "<none>");
}

TEST_F(PageTitleTest, TextOfFirstElementWithoutAttribute) {
    EXPECT_EQ(find(page("<b>Clip</b>")), "Clip");

    // The first ">" followed directly by "<" gives the empty title, which replaces the old one.
    EXPECT_EQ(find(page("<b><i>Clip</i></b>")), "");

    // A title marker at the very start of the segment is not taken as the attribute.
    EXPECT_EQ(find(kHead + "title=\"X\">Y<"), "Y");

    // Headline without a closing tag runs to the end of the page.
    EXPECT_EQ(find(kHead + "<em>Open end</em>"), "Open end");
}

TEST_F(PageTitleTest, PagesWithoutTitleKeepThePreviousOne) {
    for (const std::string& html : {std::string("<html>no headline</html>"), std::string(),
                                    kHead + "no tag at all</h1>", kHead + "<b>never closed"}) {
        EXPECT_EQ(find(html), "<none>") << html;
    }
}

TEST_F(PageTitleTest, CleaningTrimsTruncatesAndReplacesSeparators) {
    EXPECT_EQ(find(page("<b>Clip   </b>")), "Clip");
    EXPECT_EQ(find(page("<b>   </b>")), "");
    EXPECT_EQ(find(page("<b>" + std::string(60, 'a') + "</b>")), std::string(42, 'a'));
    // Blanks the cut leaves at the end go too.
    EXPECT_EQ(find(page("<b>" + std::string(41, 'a') + "  b</b>")), std::string(41, 'a'));
    EXPECT_EQ(find(page("<b>A|B;C;</b>")), "A B C");
    // Replacement happens after truncation, so a ";" past 42 characters is simply gone.
    EXPECT_EQ(find(page("<b>" + std::string(42, 'x') + ";</b>")), std::string(42, 'x'));
}

TEST_F(PageTitleTest, WholePageIsPercentDecoded) {
    EXPECT_EQ(find(page("<b>My%20Clip+1</b>")), "My Clip+1");
    EXPECT_EQ(find("id%3D%22watch-headline-title%22%3E<b>Encoded</b>"), "Encoded");
}

// A NUL byte is page text like any other: it neither hides what follows it
// nor reaches a file name.
TEST_F(PageTitleTest, NulBytesNeitherEndThePageNorStayInTheTitle) {
    EXPECT_EQ(find(std::string("x\0", 2) + page("<b>After NUL</b>")), "After NUL");
    EXPECT_EQ(find("x%00" + page("<b>After%00NUL</b>")), "After NUL");
    EXPECT_EQ(FileTitle::safe(std::string("Typed\0NUL", 9)), "Typed NUL");
}

TEST_F(PageTitleTest, TruncationKeepsMultibyteCharactersWhole) {
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

// Leading dots would hide the file ("." and ".." would not name one), and
// stray bytes must not make the cut walk back to nothing.
TEST_F(PageTitleTest, TitlesNeverCleanToAHiddenOrEmptyName) {
    for (const char* title : {"", "   ", ".", "..", " . . ", "\x7f\x01"})
        EXPECT_EQ(FileTitle::safe(title), "video") << title;
    EXPECT_EQ(FileTitle::safe(" ..hidden. "), "hidden.");
    EXPECT_EQ(find(page("<b>...</b>")), "");
    // Bytes that are no UTF-8 read as U+FFFD, so the cut keeps whole characters.
    const std::string cut = FileTitle::safe(std::string(100, '\x80'));
    EXPECT_GE(cut.size(), FileTitle::maxSafeBytes - 2);
    EXPECT_EQ(cut.size() % 3, 0u);
    EXPECT_EQ(cut.substr(cut.size() - 3), "\xEF\xBF\xBD");
    // Dropping a character never joins its neighbours into another.
    EXPECT_EQ(FileTitle::safe("\xC2\u2069\x85"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

// "AC/DC" names a file "AC DC", typed or read from a page; other characters
// a name must not hold go the same way.
TEST_F(PageTitleTest, SlashesAndControlsBecomeBlanks) {
    EXPECT_EQ(FileTitle::safe("AC/DC"), "AC DC");
    EXPECT_EQ(FileTitle::safe("../../etc/passwd"), "etc passwd");
    EXPECT_EQ(FileTitle::safe("Line\nTab\t\xC2\x9B"
                              "End"),
              "Line Tab  End");
    EXPECT_EQ(find(page("<b>AC/DC%2FLive</b>")), "AC DC Live");
}

// The title reads as the page shows it, and a reference cannot bring in
// what the cleaning removes.
TEST_F(PageTitleTest, CharacterReferencesAreDecodedBeforeCleaning) {
    EXPECT_EQ(find(page("<b>Tom &amp; Jerry</b>")), "Tom & Jerry");
    EXPECT_EQ(find(page("<i title=\"&quot;Q&quot; &lt;&gt;&#39;&apos;\">x</i>")), "\"Q\" <>''");
    EXPECT_EQ(find(page("<b>Caf&#233;&#xE9;&#X1F600; &amp;amp;</b>")),
              "Caf\u00E9\u00E9\U0001F600 &amp");
    // NUL, surrogates and numbers past Unicode stand for U+FFFD.
    EXPECT_EQ(find(page("<b>&#0;&#xD800;&#x110000;&#99999999999999999999;</b>")),
              "\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(find(page("<b>A&#47;B&#10;C&#59;D&#x202E;E</b>")), "A B C DE");
    EXPECT_EQ(find(page("<b>&nbsp; &#; &#65 &amp</b>")), "&nbsp  &#  &#65 &amp");
    EXPECT_EQ(FileTitle::safe("Tom &amp; Jerry"), "Tom &amp; Jerry");
}

// Bidirectional controls could make "Clip<U+202E>4pm.exe" show as another
// type of file; their neighbours (U+200D, U+202F, U+206A) stay.
TEST_F(PageTitleTest, BidirectionalControlsAreRemoved) {
    EXPECT_EQ(FileTitle::safe("a\u200E\u200F\u202A\u202B\u202C\u202D\u202E\u2066\u2067\u2068"
                              "\u2069b\u200D\u202F\u206A"),
              "ab\u200D\u202F\u206A");
    EXPECT_EQ(find(page("<b>Clip\u202E4pm.exe</b>")), "Clip4pm.exe");
}

} // namespace
