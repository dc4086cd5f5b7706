#include "gateway/codec.h"
#include "gateway/result_table.h"
#include "text/encoding.h"

#include <gtest/gtest.h>

using namespace tk;

namespace {
const std::vector<std::string> kSymbols = SplitSymbolList("q,k,z,b,x,l,p,u,f,j,c");
// The decimal form is visible through an identity-like list whose symbols are the digits themselves.
const std::vector<std::string> kDigits = SplitSymbolList("1,2,3,4,5,6,7,8,9,0,:");
} // namespace

TEST(SymbolEncode, Table) {
    struct Case { std::string sql; std::string decimal; };
    for (const Case& c : {Case{"abc", "37:54:49:37:54:50:37:54:51:"}, Case{"\t", "37:57:"}, Case{"", ""},
                          Case{"\xC7\xE0", "37:67:55:37:69:48:"}})
        EXPECT_EQ(SymbolEncode(c.sql, kDigits), c.decimal) << c.sql;
    // The built-in list: "1".."9" become q,k,z,b,x,l,p,u,f; "0" becomes j and ":" becomes c.
    EXPECT_EQ(SymbolEncode("abc", kSymbols), "zpcxbcbfczpcxbcxjczpcxbcxqc");
    EXPECT_EQ(SymbolEncode("abc", SplitSymbolList("q,k,z")), "");
    EXPECT_EQ(SymbolEncode("abc", SplitSymbolList("q,k,z,b,x,l,p,u,f,j,c,")), SymbolEncode("abc", kSymbols));
}

TEST(SymbolEncode, DecodesBackIncludingDoubleByteText) {
    for (std::string sql : {std::string("select top 1 * from Setup"), Gbk("select * from users where username='青禾'"),
                            std::string("\t\x01\xFF")}) {
        auto back = SymbolDecode(SymbolEncode(sql, kSymbols), kSymbols);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, sql);
    }
    EXPECT_FALSE(SymbolDecode("zzzzy", kSymbols).has_value());
    EXPECT_FALSE(SymbolDecode("zu", kSymbols).has_value()); // "37" without its ":"
}

TEST(Scramble, RoundTripAndClock) {
    const std::string key = "FEDCBA9876543210";
    // 6 is position 13 -> key[12] = '3', 1 is position 8 -> '8', 2 -> '7', 3 -> '6'.
    EXPECT_EQ(ScrambleWithKey("abc", key, std::nullopt), key + "383736");
    EXPECT_EQ(ScrambleWithKey("", key, std::nullopt), "");
    const std::string text = Gbk("H1[xW|Col]青禾");
    EXPECT_EQ(Unscramble(Scramble(text, std::nullopt), false), text);
    EXPECT_EQ(Unscramble(Scramble(text + "1234567890", std::nullopt), true), text);
    EXPECT_EQ(Unscramble(Scramble("0123456789", std::nullopt), true), "");
    EXPECT_EQ(Unscramble("", false), "");
    // The stamp is the clock in decimal, scrambled with the same key.
    EXPECT_EQ(ScrambleWithKey("a", key, 12), key + SubstituteHex("12", key) + SubstituteHex("a", key));
}

TEST(Scramble, KeyInsidePayloadIsLostToo) {
    const std::string key = "ABCDEF0123456789"; // identity substitution
    const std::string payload = SubstituteHex("x", key) + key + SubstituteHex("y", key);
    EXPECT_EQ(Unscramble(key + payload, false), "xy");
}

TEST(ShapeAnswer, Table) {
    ResultTable t = ShapeAnswer("H1[xW|Col]H2[xW|Row]a[xW|Col]b");
    EXPECT_EQ(RowCount(t), 1);
    EXPECT_EQ(CellText(t, 2, 1), "b");
    EXPECT_EQ(CellText(t, 3, 1), "");
    EXPECT_EQ(CellText(t, 1, 2), "");
    EXPECT_EQ(CellText(t, 1, 0), "H1");

    ResultTable none = ShapeAnswer("-1");
    EXPECT_EQ(RowCount(none), -1);
    EXPECT_EQ(CellText(none, 1, 1), "");
    EXPECT_EQ(RowCount(ShapeAnswer("")), -1);
    EXPECT_EQ(RowCount(ShapeAnswer("-1[xW|Row]a")), -1);
    EXPECT_EQ(RowCount(ShapeAnswer("id[xW|Col]name")), 0);

    ResultTable trailing = ShapeAnswer("H1[xW|Col]H2[xW|Row]a[xW|Col]b[xW|Col][xW|Row]");
    EXPECT_EQ(trailing.rows, 2);
    EXPECT_EQ(trailing.cols, 2);

    // Rows of unequal length: the last row's 2 cells give the width, so the 3-cell header spills over.
    ResultTable uneven = ShapeAnswer("A[xW|Col]B[xW|Col]C[xW|Row]d[xW|Col]e");
    EXPECT_EQ(uneven.cols, 2);
    EXPECT_EQ(CellText(uneven, 1, 1), "C");
    EXPECT_EQ(CellText(uneven, 2, 1), "d");
    ResultTable shortFirst = ShapeAnswer("A[xW|Row]b[xW|Col]c");
    EXPECT_EQ(CellText(shortFirst, 1, 0), "A");
    EXPECT_EQ(CellText(shortFirst, 2, 0), "b");
    EXPECT_EQ(CellText(shortFirst, 1, 1), "c");
    EXPECT_EQ(CellText(shortFirst, 2, 1), "");

    // Separators are found only on character boundaries: "乕" ends in 5B ("[").
    ResultTable gbk = ShapeAnswer(Gbk("乕[xW|Col]x"));
    EXPECT_EQ(CellText(gbk, 1, 0), Gbk("乕"));
    EXPECT_EQ(CellText(gbk, 2, 0), "x");
}
