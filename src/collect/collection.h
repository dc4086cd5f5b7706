#pragma once
#include "collect/json_document.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace tk {

// Columns of the product list, in order.
enum ProductColumn { ColNumber = 0, ColTitle, ColPrice, ColRate, ColCommission, ColPromotion, ColSales, ColNick,
                     ColItemId, ColLink, kProductColumnCount };

struct ProductColumnInfo {
    const char* header; // UTF-8; the list shows it
    int width;          // pixels
    const char* member; // response member, null for the row number
};
inline constexpr std::array<ProductColumnInfo, kProductColumnCount> kProductColumns = {{
    {"序号", 50, nullptr},
    {"标题", 150, "title"},
    {"价格", 60, "zkPrice"},
    {"佣金比例", 60, "tkRate"},
    {"佣金", 60, "tkCommFee"},
    {"月推广量", 60, "totalNum"},
    {"月销量", 60, "biz30day"},
    {"卖家昵称", 100, "nick"},
    {"商品ID", 100, "auctionId"},
    {"商品链接", 350, "auctionUrl"},
}};

// One product found: the ten cells of its list row, GBK.
struct ProductRecord {
    std::array<std::string, kProductColumnCount> cells;
    std::string& operator[](int column) { return cells[static_cast<size_t>(column)]; }
    const std::string& operator[](int column) const { return cells[static_cast<size_t>(column)]; }
};

// The collector tab's conditions, the box texts as typed (GBK).
struct SearchConditions {
    std::string keyword;   // 编辑框3
    std::string minSales;  // 编辑框4
    std::string rateFrom;  // 编辑框5
    std::string rateTo;    // 编辑框6
    std::string priceFrom; // 编辑框7
    std::string priceTo;   // 编辑框8
    std::string lastPage = "10"; // 编辑框10
    bool tmallOnly = false;      // 单选框2 selected
    bool freeShipping = false;   // 选择框1 ticked
};

// The search URL of one page; host is "host[:port]".
std::string SearchUrl(std::string_view host, const SearchConditions& conditions, int page);

// The number of pages a run asks for, read from the last-page box: "3页" gives 3, "" and "abc" give 0.
int PageCount(std::string_view lastPageText);

// A title without the highlight tags that mark the matched words.
std::string CleanTitle(std::string_view title);

// Where the rows of a run go: the product list on screen, or the command line's table.
struct ProductSink {
    virtual ~ProductSink() = default;
    virtual void clear() = 0;                            // the run starts: empty the list
    virtual int rowCount() const = 0;                    // rows in the list now (numbers continue from here)
    virtual void addProduct(const ProductRecord& row) = 0;
    virtual bool stopRequested() { return false; }       // checked before each page
    virtual void pageDone(int /*page*/, int /*pages*/, int /*collected*/) {}
};

// Fetches one page and returns its body; FetchUrl (GET, no options) by default. The window runs the exchange
// on a worker and keeps events flowing meanwhile; the command line calls it directly.
using PageFetcher = std::function<std::string(const std::string& url)>;
std::string FetchSearchPage(const std::string& url);

struct CollectRequest {
    std::string searchHost;
    SearchConditions conditions;
    PageFetcher fetch = FetchSearchPage;
    std::function<void(int ms)> pause; // WaitPumping when empty
};

struct CollectOutcome {
    int collected = 0;   // rows inserted by the run (collectedCount)
    int pages = 0;       // pages asked for (N)
    int failedPages = 0; // pages that gave no readable answer
    bool stopped = false;
};

// One collection run: pages 1..N, each fetched, converted, parsed and read into rows; 100 ms after each page,
// 500 ms at the end. A page that fails adds no rows and the run goes on. doc is the client's one document.
CollectOutcome CollectProducts(const CollectRequest& request, ProductSink& sink, JsonDocument& doc);

// The work on one page after its body arrived: the text up to its first zero byte, UTF-8 to GBK, parsed into
// doc, every product of data.pageList read (cell 0 left to the caller). False when the text does not parse.
bool ReadResultPage(std::string_view body, JsonDocument& doc, const std::function<void(ProductRecord&)>& take);

// Messages and captions of the collector (UTF-8; tk::Gbk gives the bytes the windows show).
inline constexpr const char* kCollectButtonIdle = "开始采集";
inline constexpr const char* kCollectButtonBusy = "正在采集中";
// The completion message for count products, GBK.
std::string CollectionDoneMessage(int count);

} // namespace tk
