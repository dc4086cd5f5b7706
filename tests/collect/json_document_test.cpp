#include "collect/json_document.h"
#include "text/encoding.h"

#include <duktape.h>
#include <gtest/gtest.h>

using namespace tk;

namespace {
const char* kPage = R"({"data":{"pageList":[{"title":"a","zkPrice":39.9,"auctionId":520000123456},
{"title":"b","nick":null,"big":12345678901234},{"title":"c","flag":true,"obj":{"x":1,"y":[1,2]}}]}})";
}

TEST(JsonDocument, ParseCountAndReadPage) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(kPage));
    EXPECT_EQ(doc.Count("data.pageList"), 3);
    EXPECT_EQ(doc.Count("data.pageList[2].obj"), 2);
    EXPECT_EQ(doc.Count(""), 1);
    EXPECT_LT(doc.Count("data.missing"), 1);
    EXPECT_EQ(doc.Count("data.missing"), -2);
    EXPECT_EQ(doc.Count("data.missing.deeper"), 0);

    struct Case {
        const char* path;
        const char* text;
    } cases[] = {
        {"data.pageList[0].title", "a"},
        {"data.pageList[0].zkPrice", "39.9"},
        {"data.pageList[0].auctionId", "520000123456"},
        {"data.pageList[1].big", "1.234567890123e+13"},
        {"data.pageList[1].nick", ""},
        {"data.pageList[0].nick", ""},
        {"data.pageList[7].title", ""},
        {"data.pageList[2].flag", "true"},
        {"data.pageList[2].obj.y", "1,2"},
        {"data.pageList.length", "3"},
    };
    for (const Case& c : cases) EXPECT_EQ(doc.GetText(c.path), c.text) << c.path;
    EXPECT_EQ(doc.GetText("data.pageList[2].obj", true), R"({"x":1,"y":[1,2]})");
    EXPECT_EQ(doc.GetText("data.pageList[9]", true), "");
}

TEST(JsonDocument, TypeCodes) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"o":{"a":1},"arr":[1],"s":"x","n":2.5,"t":true,"z":null})"));
    struct Case {
        const char* path;
        int type;
    } cases[] = {
        {"o", JsonDocument::Object}, {"arr", JsonDocument::Array}, {"s", JsonDocument::String},
        {"n", JsonDocument::Number}, {"t", JsonDocument::Other},  {"z", JsonDocument::Null},
        {"gone", JsonDocument::Null}, {"gone.deeper", JsonDocument::Other}, {"", JsonDocument::Object},
        {"o.toJSONString", JsonDocument::Other},
    };
    for (const Case& c : cases) EXPECT_EQ(doc.TypeOf(c.path), c.type) << c.path;
}

TEST(JsonDocument, RejectedTextsAndRoots) {
    struct Case {
        const char* text;
        bool parsed;
    } cases[] = {
        {"{\"a\":1}", true}, {"[1,2]", true},     {"\"s\"", true},     {"null", false},
        {"", false},         {"{\"a\":", false},  {"<html>500</html>", false},
        // JavaScript that is not JSON is data here, never code.
        {"(function(){while(true){}})()", false}, {"{a:1}", false},  {"da={evil:1}", false},
    };
    for (const Case& c : cases) {
        JsonDocument doc;
        EXPECT_EQ(doc.Parse(c.text), c.parsed) << c.text;
        if (!c.parsed) {
            EXPECT_EQ(doc.GetText("data.pageList[0].title"), "") << c.text;
            EXPECT_EQ(doc.Count("data.pageList"), 0) << c.text;
            EXPECT_EQ(doc.GetText("evil"), "") << c.text;
        }
    }
    JsonDocument arr;
    ASSERT_TRUE(arr.Parse(R"([{"title":"first"}])"));
    EXPECT_EQ(arr.GetText("[0].title"), "first");
    EXPECT_EQ(arr.Count("[0]"), 1);
}

TEST(JsonDocument, EveryParseStartsAfresh) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"a":1})"));
    doc.SetMember("left", "over");
    ASSERT_TRUE(doc.Parse(R"({"b":2})"));
    EXPECT_EQ(doc.GetText("left"), "");
    EXPECT_EQ(doc.GetText("a"), "");
    EXPECT_FALSE(doc.Parse("not json"));
    EXPECT_EQ(doc.GetText("b"), "");
    EXPECT_EQ(doc.Serialize(), "null");
}

TEST(JsonDocument, GbkTextsInAndOut) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(Gbk(R"({"标题":"纯棉T恤","e":"\ud83d\ude00x"})")));
    EXPECT_EQ(doc.GetText(Gbk("标题")), Gbk("纯棉T恤"));
    EXPECT_EQ(doc.GetText("e"), "?x"); // GBK has no emoji: one "?" for the one character
    std::vector<std::string> keys;
    EXPECT_EQ(doc.ListKeys("", keys), 2);
    EXPECT_EQ(keys, (std::vector<std::string>{Gbk("标题"), "e"}));
}

TEST(JsonDocument, ListKeysHidesOnlyTheHelperMethods) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"a":1,"b":{"c":2},"toJSONString":3,"xparseJSON":4})"));
    std::vector<std::string> keys = {"old"};
    EXPECT_EQ(doc.ListKeys("", keys), 3);
    EXPECT_EQ(keys, (std::vector<std::string>{"a", "b", "xparseJSON"}));
    EXPECT_EQ(doc.ListKeys("b", keys), 1);
    EXPECT_EQ(keys, (std::vector<std::string>{"c"}));
    EXPECT_EQ(doc.ListKeys("missing", keys), 0);
    EXPECT_TRUE(keys.empty());
}

TEST(JsonDocument, MembersAndElements) {
    JsonDocument doc;
    doc.SetMember("s", "text");
    doc.SetMember("o", "{k:[1,2]}", true);
    doc.SetMember("e", "", true);
    doc.SetMemberJson("j", R"({"q":"w"})");
    doc.SetMemberNumber("n", 0.1 + 0.2);
    EXPECT_EQ(doc.Serialize(), R"({"s":"text","o":{"k":[1,2]},"e":{},"j":{"q":"w"},"n":0.3})");
    EXPECT_DOUBLE_EQ(doc.GetNumber("n"), 0.3);
    EXPECT_EQ(doc.GetNumber("s"), 0);
    EXPECT_EQ(doc.GetJsonText("o.k"), "[1,2]");

    doc.SetMember("s", "it's"); // the quote breaks the request: rejected, nothing changes
    EXPECT_EQ(doc.GetText("s"), "text");

    EXPECT_TRUE(doc.HasMember("s"));
    EXPECT_FALSE(doc.HasMember("none"));
    doc.DeleteMember("s");
    EXPECT_FALSE(doc.HasMember("s"));

    doc.Append("x", "list");
    doc.Append("7", "list", true);
    EXPECT_EQ(doc.GetJsonText("list"), R"(["x",7])");
    EXPECT_EQ(doc.GetElementText(1, "list"), "7");
    EXPECT_EQ(doc.GetElementText(0, "list", true), "\"x\"");
    EXPECT_EQ(doc.GetElementText(0, "o.k"), "1");

    JsonDocument element = doc.GetElementDocument(1, "o.k");
    EXPECT_EQ(element.Serialize(), "2");
    JsonDocument sub = doc.GetSubDocument("o");
    sub.SetMember("added", "1");
    EXPECT_EQ(doc.GetText("o.added"), ""); // a sub-document is a copy of the value
    EXPECT_EQ(sub.Count("k"), 2);

    doc.ResetAs(JsonDocument::Array);
    doc.SetElement(0, "a");
    doc.SetElement(1, "2", true);
    doc.SetElement(2, "c");
    doc.RemoveElement(1);
    EXPECT_EQ(doc.Serialize(), R"(["a","c"])");
    doc.ResetAs(JsonDocument::Object);
    EXPECT_EQ(doc.Serialize(), "{}");
    doc.SetRoot("plain");
    EXPECT_EQ(doc.Serialize(), "\"plain\"");
    doc.SetRoot("[1]", true);
    EXPECT_EQ(doc.GetText("[0]"), "1");
    doc.Clear();
    EXPECT_EQ(doc.Serialize(), "{}");
}

TEST(JsonDocument, CopiesShareOneEngine) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"a":1})"));
    JsonDocument copy = doc;
    doc.SetMember("b", "2");
    EXPECT_EQ(copy.GetText("b"), "2");
    copy.Clear();
    EXPECT_EQ(doc.Serialize(), "{}");
}

TEST(JsonDocument, ScriptErrorsNeverEscape) {
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(R"({"a":{"b":1}})"));
    const char* paths[] = {"", "a..b", "a[", ")", "a.b.c.d", "[0]", "a['b']", "throw 1", "a.b}{"};
    for (const char* p : paths) {
        doc.GetText(p);
        doc.GetText(p, true);
        doc.GetNumber(p);
        doc.Count(p);
        doc.TypeOf(p);
        std::vector<std::string> keys;
        doc.ListKeys(p, keys);
    }
    EXPECT_EQ(doc.GetText("a['b']"), "1"); // paths the walker does not take still reach the engine
    EXPECT_EQ(doc.GetText("a.b"), "1");
}

// The JSON fallback of the support script, run in an engine that has no JSON object of its own.
TEST(JsonSupportScript, FallbackParsesAndWritesJson) {
    duk_context* ctx = duk_create_heap_default();
    ASSERT_NE(ctx, nullptr);
    ASSERT_EQ(duk_peval_string(ctx, "delete this.JSON"), 0);
    duk_pop(ctx);
    ASSERT_EQ(duk_peval_string(ctx, JsonSupportScript()), 0) << duk_safe_to_string(ctx, -1);
    duk_pop(ctx);
    struct Case {
        const char* script;
        const char* result;
    } cases[] = {
        {"JSON.stringify(JSON.parse('{\"a\":[1,\"x\\\\n\",true,null],\"b\":{\"c\":-1.5e2}}'))",
         "{\"a\":[1,\"x\\n\",true,null],\"b\":{\"c\":-150}}"},
        {"JSON.stringify({q:'\"\\\\',u:undefined,f:function(){}})", "{\"q\":\"\\\"\\\\\"}"},
        {"JSON.stringify([1,[2]],null,1)", "[\n 1,\n [\n  2\n ]\n]"},
        {"try{JSON.parse('{a:1}');'parsed'}catch(e){'rejected'}", "rejected"},
        {"JSON.parse('\"\\\\u4e2d\"').charCodeAt(0)", "20013"},
        {"get__count([5,6,7])", "3"},
        {"({}).toJSONString()", "{}"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(duk_peval_string(ctx, c.script), 0) << c.script << ": " << duk_safe_to_string(ctx, -1);
        EXPECT_STREQ(duk_safe_to_string(ctx, -1), c.result) << c.script;
        duk_pop(ctx);
    }
    duk_destroy_heap(ctx);
}
