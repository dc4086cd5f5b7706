#include "catalogue.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace sample {
namespace {

const char* kStyles[] = {"夏季新款", "韩版", "加厚", "纯棉", "修身", "时尚", "简约", "宽松", "复古", "潮流"};
const char* kPeople[] = {"男", "女", "男女同款", "儿童", "学生"};
const char* kThings[] = {"T恤", "连衣裙", "牛仔裤", "衬衫", "卫衣", "运动鞋", "手机壳", "保温杯", "双肩包",
                         "毛衣", "羽绒服", "帆布鞋"};
const char* kTails[] = {"短袖", "包邮", "正品", "特价", "2件套", "清仓"};
const char* kNicks[] = {"小米旗舰店", "优衣服饰", "阿里小铺", "品质生活馆", "潮牌工厂店", "hello_shop", "杭州女装"};

constexpr int kProducts = 3000;

// A fixed linear congruential sequence: the catalogue is the same on every machine and every start.
struct Lcg {
    uint64_t state;
    uint32_t next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state >> 33);
    }
};

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

std::vector<std::string> words(const std::string& q) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < q.size()) {
        size_t j = q.find(' ', i);
        if (j == std::string::npos) j = q.size();
        if (j > i) out.push_back(q.substr(i, j - i));
        i = j + 1;
    }
    return out;
}

// A bound from a query value; empty or not a number means no bound.
bool bound(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str();
}

} // namespace

const std::vector<Product>& Catalogue() {
    static const std::vector<Product> products = [] {
        std::vector<Product> list;
        Lcg rng{20240601};
        for (int i = 0; i < kProducts; ++i) {
            Product p;
            p.title = std::string(kStyles[rng.next() % 10]) + kPeople[rng.next() % 5] + kThings[rng.next() % 12] +
                      kTails[rng.next() % 6];
            p.priceTenths = 50 + rng.next() % 20000;
            if (rng.next() % 3 == 0) p.priceTenths -= p.priceTenths % 10; // some whole prices
            p.rateHundredths = 100 + rng.next() % 4900;
            if (rng.next() % 2 == 0) p.rateHundredths -= p.rateHundredths % 50;
            p.totalNum = rng.next() % 5000;
            p.biz30day = rng.next() % 20000;
            if (i % 7 != 3) p.nick = kNicks[rng.next() % 7];
            p.auctionId = 520000000000LL + static_cast<long long>(i) * 7919 + rng.next() % 7919;
            p.tmall = rng.next() % 3 == 0;
            p.freeShipping = rng.next() % 2 == 0;
            p.tagStyle = i % 3;
            list.push_back(std::move(p));
        }
        return list;
    }();
    return products;
}

std::vector<const Product*> Search(const Query& query) {
    std::vector<std::string> want = words(lower(query.q));
    double minSales = 0, rateFrom = 0, rateTo = 0, priceFrom = 0, priceTo = 0;
    bool hasMinSales = bound(query.startBiz30day, minSales), hasRateFrom = bound(query.startTkRate, rateFrom),
         hasRateTo = bound(query.endTkRate, rateTo), hasPriceFrom = bound(query.startPrice, priceFrom),
         hasPriceTo = bound(query.endPrice, priceTo);
    std::vector<const Product*> found;
    for (const Product& p : Catalogue()) {
        std::string title = lower(p.title);
        if (!std::all_of(want.begin(), want.end(),
                         [&](const std::string& w) { return title.find(w) != std::string::npos; }))
            continue;
        double price = p.priceTenths / 10.0, rate = p.rateHundredths / 100.0;
        if (hasMinSales && p.biz30day < minSales) continue;
        if (hasRateFrom && rate < rateFrom) continue;
        if (hasRateTo && rate > rateTo) continue;
        if (hasPriceFrom && price < priceFrom) continue;
        if (hasPriceTo && price > priceTo) continue;
        if (query.b2c && !p.tmall) continue;
        if (query.freeShipment && !p.freeShipping) continue;
        found.push_back(&p);
    }
    return found;
}

std::string HighlightedTitle(const Product& product, const std::string& q) {
    static const char* open[] = {"<span class=H>", "<SPAN CLASS=H>", "<Span Class=h>"};
    static const char* close[] = {"</span>", "</SPAN>", "</Span>"};
    std::vector<std::string> want = words(lower(q));
    const std::string& title = product.title;
    std::string folded = lower(title);
    std::string out;
    size_t i = 0;
    while (i < title.size()) {
        size_t best = 0;
        for (const std::string& w : want)
            if (w.size() > best && folded.compare(i, w.size(), w) == 0) best = w.size();
        if (best) {
            out += open[product.tagStyle];
            out.append(title, i, best);
            out += close[product.tagStyle];
            i += best;
        } else {
            // Whole UTF-8 characters only, so a word never matches inside one.
            size_t len = 1;
            auto c = static_cast<unsigned char>(title[i]);
            if (c >= 0xF0) len = 4;
            else if (c >= 0xE0) len = 3;
            else if (c >= 0xC0) len = 2;
            out.append(title, i, len);
            i += len;
        }
    }
    return out;
}

std::string Decimal(long long value, int decimals) {
    long long scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    std::string out = std::to_string(value / scale);
    long long frac = value % scale;
    if (frac) {
        std::string digits = std::to_string(frac + scale).substr(1);
        while (!digits.empty() && digits.back() == '0') digits.pop_back();
        out += "." + digits;
    }
    return out;
}

} // namespace sample
