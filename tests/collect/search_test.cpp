#include "collect/collection.h"
#include "collect/replace_many.h"
#include "collect/url_encode.h"
#include "text/encoding.h"

#include <gtest/gtest.h>

#include <map>

using namespace tk;

TEST(UrlEncode, Table) {
    struct Case {
        std::string text;
        bool keep, utf8;
        const char* encoded;
    } cases[] = {
        {"", true, true, ""},
        {Gbk("T恤 男"), true, true, "T%E6%81%A4%20%E7%94%B7"},
        {"a-b.c_d~e*f/g+h", true, true, "a-b.c%5Fd%7Ee%2Af%2Fg%2Bh"},
        {"Az09", false, true, "%41%7A%30%39"},
        {Gbk("男"), true, false, "%C4%D0"},
        {"\x01\n", true, true, "%01%0A"},
    };
    for (const Case& c : cases) EXPECT_EQ(UrlEncode(c.text, c.keep, c.utf8), c.encoded) << c.encoded;
}

TEST(SearchUrl, Composition) {
    SearchConditions example;
    example.keyword = Gbk("T恤 男");
    example.minSales = "100";
    example.tmallOnly = true;
    SearchConditions empty;
    SearchConditions both = example;
    both.freeShipping = true;
    SearchConditions shippingOnly;
    shippingOnly.freeShipping = true;
    SearchConditions asTyped;
    asTyped.keyword = "x";
    asTyped.minSales = " 5 ";
    asTyped.rateFrom = "1.5";
    asTyped.rateTo = "abc";
    asTyped.priceFrom = "10";
    asTyped.priceTo = "&q=";
    struct Case {
        SearchConditions conditions;
        int page;
        std::string tail;
    } cases[] = {
        {example, 2,
         "/items/search.json?q=T%E6%81%A4%20%E7%94%B7&startBiz30day=100&startTkRate=&endTkRate=&startPrice=&endPrice="
         "&b2c=1&perPageSize=50&toPage=2"},
        {empty, 1,
         "/items/search.json?q=&startBiz30day=&startTkRate=&endTkRate=&startPrice=&endPrice=&perPageSize=50&toPage=1"},
        {both, 3,
         "/items/search.json?q=T%E6%81%A4%20%E7%94%B7&startBiz30day=100&startTkRate=&endTkRate=&startPrice=&endPrice="
         "&b2c=1&freeShipment=1&perPageSize=50&toPage=3"},
        {shippingOnly, 10,
         "/items/search.json?q=&startBiz30day=&startTkRate=&endTkRate=&startPrice=&endPrice=&freeShipment=1"
         "&perPageSize=50&toPage=10"},
        {asTyped, 1,
         "/items/search.json?q=x&startBiz30day= 5 &startTkRate=1.5&endTkRate=abc&startPrice=10&endPrice=&q="
         "&perPageSize=50&toPage=1"},
    };
    for (const Case& c : cases) EXPECT_EQ(SearchUrl("search.example:8090", c.conditions, c.page),
                                          "http://search.example:8090" + c.tail);
}

TEST(SearchUrl, PageCountAsTheBoxReads) {
    struct Case {
        std::string text;
        int pages;
    } cases[] = {{"10", 10}, {Gbk("3页"), 3}, {Gbk("5页"), 5}, {"", 0}, {"abc", 0}, {"0", 0},
                 {"-2", -2}, {"  7x", 7}, {"+4", 4}, {"99999999999", 2147483647}};
    for (const Case& c : cases) EXPECT_EQ(PageCount(c.text), c.pages) << c.text;
}

TEST(ReplaceMany, Table) {
    using Pairs = std::vector<ReplacePair>;
    struct Case {
        std::string text;
        std::optional<int> limit, start;
        bool caseSensitive;
        Pairs pairs;
        std::string result;
    } cases[] = {
        {"aaaa", {}, {}, true, {{"aa", "a"}}, "aa"},                     // no overlap, no rescan
        {"abcABC", {}, {}, false, {{"abc", "x"}}, "xx"},
        {"abcABC", {}, {}, true, {{"abc", "x"}}, "xABC"},
        {"a-a-a-a", 2, {}, true, {{"a", "b"}}, "b-b-a-a"},
        {"a-a-a-a", {}, 3, true, {{"a", "b"}}, "a-b-b-b"},
        {"a-a-a-a", {}, 0, true, {{"a", "b"}}, "b-b-b-b"},
        {"abc", {}, {}, true, {{"a", "b"}, {"b", "c"}}, "ccc"},           // pairs apply in turn
        {"abc", {}, {}, true, {{"", "z"}}, "abc"},
        {"abc", {}, 10, true, {{"a", "z"}}, "abc"},
        // "\xB0\xA1" is a GBK character whose second byte is 0xA1; "\xA1\xB0" must not match across two.
        {"\xB0\xA1\xB0\xA1", {}, {}, true, {{"\xA1\xB0", "X"}}, "\xB0\xA1\xB0\xA1"},
        {"x\t\r\ny\t\r\n", {}, {}, false, {{"\t\r\n", "\r\n"}}, "x\r\ny\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplaceMany(c.text, c.limit, c.start, c.caseSensitive, c.pairs), c.result) << c.text;
}

TEST(CleanTitle, HighlightTagsGoInAnyCase) {
    struct Case {
        std::string title, clean;
    } cases[] = {
        {Gbk("夏季<span class=H>T恤</span>男"), Gbk("夏季T恤男")},
        {Gbk("<SPAN CLASS=H>男</SPAN>装<Span Class=h>T恤</Span>"), Gbk("男装T恤")},
        {"<b>bold</b> &amp; <span class=X>y</span>", "<b>bold</b> &amp; <span class=X>y"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(CleanTitle(c.title), c.clean);
}

namespace {

struct VectorSink : ProductSink {
    std::vector<ProductRecord> rows;
    std::vector<int> pagesDone;
    int stopAfter = -1;
    void clear() override { rows.clear(); }
    int rowCount() const override { return static_cast<int>(rows.size()); }
    void addProduct(const ProductRecord& row) override { rows.push_back(row); }
    bool stopRequested() override { return stopAfter >= 0 && static_cast<int>(pagesDone.size()) >= stopAfter; }
    void pageDone(int page, int, int) override { pagesDone.push_back(page); }
};

std::string page(std::initializer_list<const char*> titles) {
    std::string list;
    for (const char* t : titles) {
        if (!list.empty()) list += ",";
        list += std::string(R"({"title":")") + t + R"(","zkPrice":9.9,"tkRate":5,"tkCommFee":0.5,"totalNum":1,)" +
                R"("biz30day":2,"nick":"n","auctionId":520000000001,"auctionUrl":"http://i/1"})";
    }
    return R"({"data":{"pageList":[)" + list + "]}}";
}

} // namespace

TEST(CollectProducts, PagesInOrderRowsNumberedAcrossPages) {
    std::map<std::string, std::string> bodies;
    SearchConditions conditions;
    conditions.lastPage = Gbk("4页");
    bodies[SearchUrl("h", conditions, 1)] = page({"a", "b"});
    bodies[SearchUrl("h", conditions, 2)] = "<html>error</html>";
    bodies[SearchUrl("h", conditions, 3)] = page({"c"}) + std::string("\0junk", 5);
    bodies[SearchUrl("h", conditions, 4)] = page({"<span class=H>d</span>"});
    std::vector<std::string> asked;
    std::vector<int> pauses;
    CollectRequest request;
    request.searchHost = "h";
    request.conditions = conditions;
    request.fetch = [&](const std::string& url) {
        asked.push_back(url);
        return bodies[url];
    };
    request.pause = [&](int ms) { pauses.push_back(ms); };
    VectorSink sink;
    sink.rows.resize(5); // left over from an earlier run
    JsonDocument doc;
    CollectOutcome out = CollectProducts(request, sink, doc);

    EXPECT_EQ(out.collected, 4);
    EXPECT_EQ(out.pages, 4);
    EXPECT_EQ(out.failedPages, 1);
    EXPECT_EQ(asked.size(), 4u);
    EXPECT_EQ(pauses, (std::vector<int>{100, 100, 100, 100, 500}));
    EXPECT_EQ(sink.pagesDone, (std::vector<int>{1, 2, 3, 4}));
    ASSERT_EQ(sink.rows.size(), 4u);
    const char* titles[] = {"a", "b", "c", "d"};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(sink.rows[i][ColNumber], std::to_string(i + 1));
        EXPECT_EQ(sink.rows[i][ColTitle], titles[i]);
    }
    const ProductRecord& r = sink.rows[0];
    EXPECT_EQ(r[ColPrice], "9.9");
    EXPECT_EQ(r[ColRate], "5");
    EXPECT_EQ(r[ColCommission], "0.5");
    EXPECT_EQ(r[ColPromotion], "1");
    EXPECT_EQ(r[ColSales], "2");
    EXPECT_EQ(r[ColNick], "n");
    EXPECT_EQ(r[ColItemId], "520000000001");
    EXPECT_EQ(r[ColLink], "http://i/1");
}

TEST(CollectProducts, NoPagesAndStopping) {
    for (const char* box : {"", "abc", "0", "-1"}) {
        CollectRequest request;
        request.conditions.lastPage = box;
        int fetched = 0;
        std::vector<int> pauses;
        request.fetch = [&](const std::string&) {
            ++fetched;
            return std::string();
        };
        request.pause = [&](int ms) { pauses.push_back(ms); };
        VectorSink sink;
        sink.rows.resize(2);
        JsonDocument doc;
        CollectOutcome out = CollectProducts(request, sink, doc);
        EXPECT_EQ(fetched, 0) << box;
        EXPECT_EQ(out.collected, 0) << box;
        EXPECT_TRUE(sink.rows.empty()) << box;
        EXPECT_EQ(pauses, std::vector<int>{500}) << box;
    }
    CollectRequest request;
    request.conditions.lastPage = "5";
    request.fetch = [](const std::string&) { return page({"x"}); };
    request.pause = [](int) {};
    VectorSink sink;
    sink.stopAfter = 2;
    JsonDocument doc;
    CollectOutcome out = CollectProducts(request, sink, doc);
    EXPECT_TRUE(out.stopped);
    EXPECT_EQ(sink.rows.size(), 2u);
}

TEST(CollectProducts, CompletionMessage) {
    EXPECT_EQ(CollectionDoneMessage(37), Gbk("亲，已采集完毕！  共采集到  37  个商品"));
}
