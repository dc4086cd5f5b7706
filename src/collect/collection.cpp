#include "collect/collection.h"

#include "app/pump.h"
#include "collect/fetch_url.h"
#include "collect/replace_many.h"
#include "collect/url_encode.h"
#include "text/encoding.h"
#include "text/numbers.h"

#include <cctype>
#include <climits>

namespace tk {

std::string SearchUrl(std::string_view host, const SearchConditions& c, int page) {
    std::string url = "http://";
    url += host;
    url += "/items/search.json?q=" + UrlEncode(c.keyword, true, true);
    url += "&startBiz30day=" + c.minSales;
    url += "&startTkRate=" + c.rateFrom;
    url += "&endTkRate=" + c.rateTo;
    url += "&startPrice=" + c.priceFrom;
    url += "&endPrice=" + c.priceTo;
    if (c.tmallOnly) url += "&b2c=1";
    if (c.freeShipping) url += "&freeShipment=1";
    url += "&perPageSize=50&toPage=" + std::to_string(page);
    return url;
}

int PageCount(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n' ||
                               text[i] == '\v' || text[i] == '\f'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        n = n * 10 + (text[i] - '0');
        if (n > INT_MAX) n = INT_MAX; // a box full of digits asks for as many pages as an int holds
    }
    return static_cast<int>(negative ? -n : n);
}

std::string CleanTitle(std::string_view title) {
    static const std::vector<ReplacePair> tags = {{"<span class=H>", ""}, {"</span>", ""}};
    return ReplaceMany(title, std::nullopt, std::nullopt, false, tags);
}

std::string FetchSearchPage(const std::string& url) { return FetchUrl(url); }

bool ReadResultPage(std::string_view body, JsonDocument& doc, const std::function<void(ProductRecord&)>& take) {
    size_t zero = body.find('\0');
    if (zero != std::string_view::npos) body = body.substr(0, zero);
    bool parsed = doc.Parse(Utf8ToGbk(body));
    int n = doc.Count("data.pageList");
    for (int k = 0; k < n; ++k) {
        ProductRecord row;
        const std::string prefix = "data.pageList[" + std::to_string(k) + "].";
        for (int col = ColTitle; col < kProductColumnCount; ++col)
            row[col] = doc.GetText(prefix + kProductColumns[static_cast<size_t>(col)].member, false);
        row[ColTitle] = CleanTitle(row[ColTitle]);
        take(row);
    }
    return parsed;
}

CollectOutcome CollectProducts(const CollectRequest& request, ProductSink& sink, JsonDocument& doc) {
    auto pause = [&](int ms) {
        if (request.pause) request.pause(ms);
        else WaitPumping(ms);
    };
    CollectOutcome outcome;
    sink.clear();
    outcome.pages = PageCount(request.conditions.lastPage);
    for (int page = 1; page <= outcome.pages; ++page) {
        if (sink.stopRequested()) {
            outcome.stopped = true;
            break;
        }
        const std::string url = SearchUrl(request.searchHost, request.conditions, page);
        const std::string body = request.fetch ? request.fetch(url) : FetchSearchPage(url);
        bool parsed = ReadResultPage(body, doc, [&](ProductRecord& row) {
            PumpPendingInput();
            row[ColNumber] = std::to_string(sink.rowCount() + 1);
            sink.addProduct(row);
            ++outcome.collected;
        });
        if (!parsed) ++outcome.failedPages;
        sink.pageDone(page, outcome.pages, outcome.collected);
        pause(100);
    }
    pause(500);
    return outcome;
}

std::string CollectionDoneMessage(int count) {
    return Gbk("亲，已采集完毕！  共采集到  ") + std::to_string(count) + Gbk("  个商品");
}

} // namespace tk
