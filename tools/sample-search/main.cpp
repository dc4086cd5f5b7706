// sample-search: a stand-in for the product search service, for the tests and the demo. It answers
// /items/search.json from a generated catalogue and can be told to misbehave.
#include "catalogue.h"
#include "pictures.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

namespace {

struct Options {
    std::string host = "127.0.0.1";
    int port = 8090;
    int delayMs = 0;
    std::set<int> badJsonPages, errorPages, zeroBytePages;
    bool nologin = false;
};

std::set<int> pageList(const std::string& text) {
    std::set<int> pages;
    size_t i = 0;
    while (i <= text.size()) {
        size_t j = text.find(',', i);
        if (j == std::string::npos) j = text.size();
        if (j > i) pages.insert(std::atoi(text.substr(i, j - i).c_str()));
        i = j + 1;
    }
    return pages;
}

int usage() {
    std::fputs("usage: sample-search [--listen HOST:PORT] [--delay-ms N] [--bad-json-page K] [--error-page K]\n"
               "                     [--zero-byte-page K] [--nologin]\n"
               "  K may be a comma list of page numbers; port 0 takes a free port.\n",
               stderr);
    return 2;
}

std::string jsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string param(const httplib::Request& req, const char* key) {
    return req.has_param(key) ? req.get_param_value(key) : std::string();
}

std::string productJson(const sample::Product& p, const std::string& q) {
    long long commissionMills = (p.priceTenths * p.rateHundredths + 50) / 100; // price × rate / 100, in 1/1000 yuan
    std::string id = std::to_string(p.auctionId);
    std::string out = "{";
    out += "\"title\":" + jsonString(sample::HighlightedTitle(p, q));
    out += ",\"pictUrl\":" + jsonString("http://img.example/bao/" + id + ".jpg");
    out += ",\"zkPrice\":" + sample::Decimal(p.priceTenths, 1);
    out += ",\"reservePrice\":" + sample::Decimal(p.priceTenths * 2, 1);
    out += ",\"tkRate\":" + sample::Decimal(p.rateHundredths, 2);
    out += ",\"tkCommFee\":" + sample::Decimal((commissionMills + 5) / 10, 2);
    out += ",\"totalNum\":" + std::to_string(p.totalNum);
    out += ",\"biz30day\":" + std::to_string(p.biz30day);
    if (!p.nick.empty()) out += ",\"nick\":" + jsonString(p.nick);
    out += ",\"userType\":" + std::string(p.tmall ? "1" : "0");
    out += ",\"freeShipping\":" + std::string(p.freeShipping ? "true" : "false");
    out += ",\"auctionId\":" + id;
    out += ",\"auctionUrl\":" + jsonString("http://item.taobao.com/item.htm?id=" + id);
    out += "}";
    return out;
}

void search(const Options& opt, const httplib::Request& req, httplib::Response& res) {
    if (opt.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(opt.delayMs));
    if (opt.nologin) {
        res.set_content(R"({"data":null,"info":{"message":"nologin","ok":false},"ok":false})",
                        "application/json;charset=UTF-8");
        return;
    }
    int page = std::atoi(param(req, "toPage").c_str());
    if (page < 1) page = 1;
    int size = std::atoi(param(req, "perPageSize").c_str());
    if (size < 1) size = 50;
    if (size > 100) size = 100;

    if (opt.errorPages.count(page)) {
        res.status = 500;
        res.set_content("<html><head><title>500</title></head><body><h1>Internal Server Error</h1></body></html>",
                        "text/html");
        return;
    }
    if (opt.badJsonPages.count(page)) {
        res.set_content("{\"data\":{\"pageList\":[{\"title\":\"broken", "application/json;charset=UTF-8");
        return;
    }

    sample::Query query;
    query.q = param(req, "q");
    query.startBiz30day = param(req, "startBiz30day");
    query.startTkRate = param(req, "startTkRate");
    query.endTkRate = param(req, "endTkRate");
    query.startPrice = param(req, "startPrice");
    query.endPrice = param(req, "endPrice");
    query.b2c = param(req, "b2c") == "1";
    query.freeShipment = param(req, "freeShipment") == "1";
    std::vector<const sample::Product*> found = sample::Search(query);

    const size_t total = found.size();
    const size_t first = static_cast<size_t>(page - 1) * static_cast<size_t>(size);
    std::string list;
    for (size_t i = first; i < total && i < first + static_cast<size_t>(size); ++i) {
        if (!list.empty()) list += ",";
        list += productJson(*found[i], query.q);
    }
    const size_t pages = (total + static_cast<size_t>(size) - 1) / static_cast<size_t>(size);
    std::string body = "{\"data\":{\"head\":{\"version\":\"1.0\",\"status\":\"OK\",\"pageNo\":" + std::to_string(page) +
                       ",\"pageSize\":" + std::to_string(size) + ",\"docsfind\":" + std::to_string(total) +
                       "},\"paginator\":{\"length\":" + std::to_string(size) + ",\"page\":" + std::to_string(page) +
                       ",\"pages\":" + std::to_string(pages) + ",\"items\":" + std::to_string(total) +
                       "},\"pageList\":[" + list + "]},\"info\":{\"message\":null,\"ok\":true},\"ok\":true}";
    if (opt.zeroBytePages.count(page)) body += std::string("\0garbage after the end", 22);
    res.set_content(body, "application/json;charset=UTF-8");
}

} // namespace

int main(int argc, char** argv) {
    Options opt;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--listen") {
            std::string hp = value();
            size_t colon = hp.rfind(':');
            if (colon == std::string::npos) return usage();
            opt.host = hp.substr(0, colon);
            opt.port = std::atoi(hp.c_str() + colon + 1);
        } else if (a == "--delay-ms") {
            opt.delayMs = std::atoi(value().c_str());
        } else if (a == "--bad-json-page") {
            opt.badJsonPages = pageList(value());
        } else if (a == "--error-page") {
            opt.errorPages = pageList(value());
        } else if (a == "--zero-byte-page") {
            opt.zeroBytePages = pageList(value());
        } else if (a == "--nologin") {
            opt.nologin = true;
        } else {
            return usage();
        }
    }

    sample::Catalogue();
    for (int n = 1; n <= 3; ++n) {
        if (sample::AdPicture(n).empty()) {
            std::fprintf(stderr, "sample-search: advertisement picture %d is missing from the build\n", n);
            return 1;
        }
    }

    httplib::Server server;
    server.Get("/items/search.json",
               [&](const httplib::Request& req, httplib::Response& res) { search(opt, req, res); });
    server.Get(R"(/tkimg/([1-3])\.jpg)", [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(sample::AdPicture(std::atoi(req.matches[1].str().c_str())), "image/png");
    });
    server.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/plain"); });

    int port = opt.port;
    if (port == 0) port = server.bind_to_any_port(opt.host.c_str());
    else if (!server.bind_to_port(opt.host.c_str(), port)) port = -1;
    if (port <= 0) {
        std::fprintf(stderr, "sample-search: cannot listen on %s:%d\n", opt.host.c_str(), opt.port);
        return 1;
    }
    std::printf("sample-search listening on %s:%d\n", opt.host.c_str(), port);
    std::fflush(stdout);
    return server.listen_after_bind() ? 0 : 1;
}
