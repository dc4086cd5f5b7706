#include "text/encoding.h"
#include "text/gbk_text.h"
#include "text/numbers.h"

#include <gtest/gtest.h>

using namespace tk;

TEST(Encoding, GbkRoundTripAndUnmappable) {
    const std::string gbk = Gbk("青禾淘客 abc");
    EXPECT_EQ(gbk, std::string("\xC7\xE0\xBA\xCC\xCC\xD4\xBF\xCD abc"));
    EXPECT_EQ(GbkToUtf8(gbk), "青禾淘客 abc");
    EXPECT_EQ(FromGbk(gbk), QString::fromUtf8("青禾淘客 abc"));
    EXPECT_EQ(ToGbk(QString::fromUtf8("T恤")), std::string("T\xD0\xF4"));
    // Characters GBK cannot hold become "?".
    EXPECT_EQ(Utf8ToGbk("a😀b"), "a?b");
    EXPECT_EQ(Utf8ToGbk("한"), "?");
    EXPECT_EQ(Utf8ToGbk(""), "");
}

TEST(Numbers, FormatReal) {
    struct Case { double v; const char* text; };
    for (const Case& c : {Case{39.9, "39.9"}, Case{0.1 + 0.2, "0.3"}, Case{100, "100"}, Case{1e15, "1e+15"},
                          Case{-2.5, "-2.5"}, Case{1234567890123.0, "1234567890123"}, Case{0, "0"}})
        EXPECT_EQ(FormatReal(c.v), c.text) << c.v;
}

TEST(Numbers, TextToNumber) {
    struct Case { const char* text; double v; };
    for (const Case& c : {Case{"", 0}, Case{"abc", 0}, Case{"  12", 12}, Case{"3页", 3}, Case{"1.0", 1},
                          Case{" 1", 1}, Case{"-4.5x", -4.5}, Case{"+7", 7}, Case{"1e3", 1000}, Case{"2e", 2},
                          Case{"2e+", 2}, Case{".5", 0.5}, Case{"5.", 5}, Case{".", 0}, Case{"-", 0},
                          Case{"12 34", 12}, Case{"0x1A", 0}, Case{"1,000", 1}})
        EXPECT_DOUBLE_EQ(TextToNumber(c.text), c.v) << c.text;
    EXPECT_EQ(TruncToInt64(-2.9), -2);
    EXPECT_EQ(TruncToInt64(2.9), 2);
    EXPECT_EQ(TextToInt64("1765000000"), 1765000000);
}

// "恤" is D0 F4 and "男" is C4 D0: the text "恤男" holds the bytes F4 C4 across the boundary,
// and D0 both as a lead and as a trail byte.
TEST(GbkText, SearchesNeverStraddleCharacters) {
    const std::string text = Gbk("恤男");
    EXPECT_EQ(FindText(text, "\xF4\xC4"), std::string_view::npos);
    EXPECT_EQ(FindText(text, "\xD0"), 0u);          // the lead byte of 恤, not the trail of 男
    EXPECT_EQ(FindText(text, "\xD0", 1), std::string_view::npos);
    EXPECT_EQ(FindText(text, Gbk("男")), 2u);
    // A trail byte in the ASCII range (0x40-0x7E) must not match a letter: "丂" is 81 40 ("@").
    const std::string at = Gbk("丂@");
    EXPECT_EQ(FindText(at, "@"), 2u);
    EXPECT_EQ(ReplaceText(at, "@", "#"), Gbk("丂#"));
    // "丆" is 81 43 ("C") and "乧" is 81 63 ("c"): case folding must leave trail bytes alone.
    const std::string c = Gbk("丆C");
    EXPECT_EQ(FindText(c, "c", 0, true), 2u);
    EXPECT_EQ(FindText(Gbk("乧"), "C", 0, true), std::string_view::npos);
    EXPECT_EQ(AsciiLower(c), Gbk("丆c"));
    EXPECT_EQ(AsciiUpper(Gbk("乧c")), Gbk("乧C"));
    // Stray bytes 0x80 and 0xFF take the byte after them along, like any other high byte.
    EXPECT_EQ(FindText("\x80[a[", "["), 3u);
    EXPECT_EQ(FindText("\xFF[a", "["), std::string_view::npos);
}

TEST(GbkText, SplitAndReplace) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitText("a,b", ","), (V{"a", "b"}));
    EXPECT_EQ(SplitText("a,b,", ","), (V{"a", "b"}));
    EXPECT_EQ(SplitText("a,,b", ","), (V{"a", "", "b"}));
    EXPECT_EQ(SplitText(",a", ","), (V{"", "a"}));
    EXPECT_EQ(SplitText("", ","), V{});
    EXPECT_EQ(SplitText(",", ","), (V{""}));
    EXPECT_EQ(ReplaceText("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceText("<SPAN>x</span>", "<span>", "", true), "x</span>");
    EXPECT_EQ(std::string(TrimBlanks("  a b \r\n")), "a b");
}
