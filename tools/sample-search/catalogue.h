#pragma once
#include <string>
#include <vector>

namespace sample {

// One product of the generated catalogue. Decimal members are kept in fixed-point so that their JSON text is
// exact (39.9, not 39.899999).
struct Product {
    std::string title; // UTF-8, no highlight tags
    long long priceTenths;
    long long rateHundredths;
    long long totalNum;
    long long biz30day;
    std::string nick; // empty: the product has no nick member
    long long auctionId;
    bool tmall;
    bool freeShipping;
    int tagStyle; // which letter case its highlight tags use
};

// The same few thousand products on every start.
const std::vector<Product>& Catalogue();

struct Query {
    std::string q; // UTF-8, words separated by spaces
    std::string startBiz30day, startTkRate, endTkRate, startPrice, endPrice;
    bool b2c = false;
    bool freeShipment = false;
};

std::vector<const Product*> Search(const Query& query);

// The title with every matched word between highlight tags.
std::string HighlightedTitle(const Product& product, const std::string& q);

// Fixed-point to a JSON number: 399 with 1 decimal gives 39.9, 400 gives 40.
std::string Decimal(long long value, int decimals);

} // namespace sample
