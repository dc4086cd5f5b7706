#include "gateway/codec.h"
#include "gateway/result_table.h"
#include "gateway_service.h"
#include "text/encoding.h"
#include "wire.h"

#include <gtest/gtest.h>

using namespace tk;
using namespace tk::gateway;

namespace {
const std::vector<std::string> kSymbols = SplitSymbolList("q,k,z,b,x,l,p,u,f,j,c");

std::string request(std::string_view sql, std::optional<int64_t> stamp = std::nullopt) {
    return Scramble(SymbolEncode(sql, kSymbols), stamp);
}
} // namespace

TEST(DecodeRequest, UndoesTheClientsScrambleWithAndWithoutStamp) {
    const std::string sql = Gbk("select * from users where username='青禾abc'");
    for (std::optional<int64_t> stamp : {std::optional<int64_t>{}, std::optional<int64_t>{1700000000},
                                         std::optional<int64_t>{0}}) {
        auto decoded = DecodeRequest(request(sql, stamp), kSymbols);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(decoded->sql, sql);
        EXPECT_EQ(decoded->stamp, stamp);
    }
}

TEST(DecodeRequest, SymbolListsWithDigitsStillFindTheStamp) {
    const auto digits = SplitSymbolList("1,2,3,4,5,6,7,8,9,0,:");
    const std::string body = Scramble(SymbolEncode("select top 1 * from Setup", digits), 1700000000);
    auto decoded = DecodeRequest(body, digits);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->sql, "select top 1 * from Setup");
    EXPECT_TRUE(decoded->stamp.has_value());
}

TEST(DecodeRequest, RefusesMalformedBodies) {
    const std::string good = request("select top 1 * from Setup");
    const std::string key = good.substr(0, 16);
    const std::vector<std::string> bad = {
        "",
        key,                                           // key alone
        "AABCDEF012345678" + good.substr(16),          // key repeats a digit
        "GBCDEF0123456789" + good.substr(16),          // not a hex digit in the key
        good.substr(0, good.size() - 1),               // odd length
        good.substr(0, good.size() - 2),               // truncated: symbol text cut short
        good + "zz",                                   // not hex
        key + SubstituteHex("select", key),            // bytes that are no symbol text
    };
    for (const std::string& body : bad) EXPECT_FALSE(DecodeRequest(body, kSymbols).has_value()) << body;
    EXPECT_FALSE(DecodeRequest(good, SplitSymbolList("a,b,c,d,e,f,g,h,i,j,k")).has_value());
}

TEST(ScrambleAnswer, RoundTripsThroughTheClientsUnscramble) {
    const std::string plain = Gbk("id[xW|Col]名称[xW|Row]1[xW|Col]青禾淘客");
    EXPECT_EQ(Unscramble(ScrambleAnswer(plain), false), plain);
    EXPECT_EQ(Unscramble(ScrambleAnswer(plain + Trailer(1700000000)), true), plain);
    EXPECT_EQ(Trailer(1700000000), "1700000000");
    EXPECT_EQ(Trailer(42), "0000000042");
    EXPECT_EQ(Trailer(0), "0000000000");
}

// The substituted payload holds its key exactly when the plain text's hex form holds
// "ABCDEF0123456789" - for every key, so drawing another key cannot help such a text.
TEST(ScrambleAnswer, PayloadHoldingItsKey) {
    const std::string even("\xAB\xCD\xEF\x01\x23\x45\x67\x89", 8);
    const std::string odd("\xCA\xBC\xDE\xF0\x12\x34\x56\x78\x9A", 9);
    for (const std::string& text : {even, odd}) {
        for (int i = 0; i < 20; ++i) {
            std::string key = ShuffleHexAlphabet();
            EXPECT_NE(SubstituteHex(text, key).find(key), std::string::npos);
        }
        // Sent as it is, the client would lose the payload; the server answers "-1" instead.
        EXPECT_EQ(Unscramble(ScrambleAnswer(text), false), "-1");
    }
    // Cells pass through JoinRows, which keeps the bytes 0x01 and 0x12 (and the other controls) out, so an
    // answer holding such a cell still reaches the client intact but for the control character.
    const std::string cell = "x" + odd + "y";
    const std::string plain = JoinRows({{"email"}, {cell}});
    EXPECT_EQ(Unscramble(ScrambleAnswer(plain), false), "email[xW|Row]x\xCA\xBC\xDE\xF0?4Vx\x9Ay");
}

TEST(ScrambleAnswer, TakesTheFirstUsableKeyFromItsSource) {
    std::vector<std::string> keys = {"not a key", "AABCDEF012345678", "FEDCBA9876543210", "0123456789ABCDEF"};
    size_t next = 0;
    std::string answer = ScrambleAnswer("abc", [&] { return keys[next++]; });
    EXPECT_EQ(answer, "FEDCBA9876543210" + SubstituteHex("abc", "FEDCBA9876543210"));
    EXPECT_EQ(next, 3u);
}

TEST(JoinRows, ClientGetsBackEveryCell) {
    using Rows = std::vector<std::vector<std::string>>;
    for (const Rows& rows : {Rows{{"h1", "h2"}, {"a", "b"}}, Rows{{"h1", "h2"}, {"a", ""}}, Rows{{"h1", "h2"}, {"", ""}},
                             Rows{{"h1", "h2"}, {"", "b"}, {"c", ""}}, Rows{{"h"}}, Rows{{"h"}, {""}, {""}},
                             Rows{{"h1", "h2", "h3"}, {"a", "", ""}, {"", "", "z"}}}) {
        ResultTable t = ShapeAnswer(JoinRows(rows));
        ASSERT_EQ(t.rows, static_cast<int>(rows.size()));
        ASSERT_EQ(t.cols, static_cast<int>(rows[0].size()));
        for (size_t r = 0; r < rows.size(); ++r)
            for (size_t c = 0; c < rows[r].size(); ++c)
                EXPECT_EQ(t.at(static_cast<int>(r) + 1, static_cast<int>(c) + 1), rows[r][c]) << r << "," << c;
    }
    EXPECT_EQ(JoinRows({{"a", "b"}, {"c", "d"}}), "a[xW|Col]b[xW|Row]c[xW|Col]d");
    EXPECT_EQ(JoinRows({{std::string("a\x01\tb\x1F", 5)}}), "a?\tb?");
}

TEST(StrictGbkToUtf8, RefusesWhatIsNotGbk) {
    EXPECT_EQ(StrictGbkToUtf8(""), "");
    EXPECT_EQ(StrictGbkToUtf8("abc"), "abc");
    EXPECT_EQ(StrictGbkToUtf8(Gbk("青禾淘客")), "青禾淘客");
    for (std::string bad : {std::string("\xC7"), std::string("ab\xC7"), std::string("\xFF\xFF"),
                            std::string("\x81\x20"), std::string("\x80"),
                            std::string("a\xFF" "b")})
        EXPECT_FALSE(StrictGbkToUtf8(bad).has_value()) << bad;
}
