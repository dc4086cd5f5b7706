#include "collect/fetch_url.h"
#include "raw_server.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tk;

namespace {

std::string ok(const std::string& body, const std::string& extraHeaders = "") {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders +
           "Connection: close\r\n\r\n" + body;
}

std::string pathOf(const std::string& raw) {
    std::string line = RawServer::requestLine(raw);
    size_t a = line.find(' '), b = line.rfind(' ');
    return line.substr(a + 1, b - a - 1);
}

// A server with a few fixed routes.
std::string route(const std::string& raw) {
    std::string path = pathOf(raw);
    if (path == "/from") return "HTTP/1.1 302 Found\r\nLocation: /to\r\nContent-Length: 5\r\n\r\nmoved";
    if (path == "/to") return ok("arrived");
    if (path == "/cookies")
        return ok("c", "Set-Cookie: a=1; path=/\r\nset-cookie: b=2\r\nSET-COOKIE: c=3 ; HttpOnly\r\n");
    if (path == "/big") return ok("big", "X-Filler: " + std::string(6000, 'x') + "\r\nSet-Cookie: big=1\r\n");
    if (path.rfind("/store-set", 0) == 0) return ok("set", "Set-Cookie: " + path.substr(11) + "; path=/\r\n");
    return ok("body of " + path);
}

std::string header(const std::string& raw, const std::string& name) {
    for (const std::string& line : RawServer::headerLines(raw))
        if (line.size() > name.size() && strncasecmp(line.c_str(), (name + ":").c_str(), name.size() + 1) == 0)
            return line.substr(name.size() + 1).erase(0, line[name.size() + 1] == ' ' ? 1 : 0);
    return "\x01missing";
}

} // namespace

TEST(FetchUrlPieces, SplitsHostPortAndPath) {
    struct Case {
        const char* url;
        bool secure;
        const char* host;
        int port;
        const char* path;
    } cases[] = {
        {"http://Example.COM", false, "example.com", 80, "/"},
        {"http://host:8081/a/B?q=C", false, "host", 8081, "/a/B?q=C"},
        {"https://secure.example/x", true, "secure.example", 443, "/x"},
        {"HTTPS://Secure.Example:9443", true, "secure.example", 9443, "/"},
        {"shop.example/items?id=1", false, "shop.example", 80, "/items?id=1"},
    };
    for (const Case& c : cases) {
        UrlParts p = SplitFetchUrl(c.url);
        EXPECT_EQ(p.secure, c.secure) << c.url;
        EXPECT_EQ(p.host, c.host) << c.url;
        EXPECT_EQ(p.port, c.port) << c.url;
        EXPECT_EQ(p.path, c.path) << c.url;
    }
}

TEST(FetchUrlPieces, UserAgentFromHeaderLines) {
    struct Case {
        const char* lines;
        const char* agent;
    } cases[] = {
        {"", kDefaultUserAgent},
        {"Accept: */*", kDefaultUserAgent},
        {"User-Agent:  Tester/1.0 ", "Tester/1.0"},
        {"Accept: text/html\r\nUser-Agent: Mid/2\r\nX-A: b", "Mid/2"},
        {"user-agent: lower/3", "lower/3"},
    };
    for (const Case& c : cases) EXPECT_EQ(FetchUserAgent(c.lines), c.agent) << c.lines;
}

TEST(FetchUrlPieces, HeaderBlockInItsOrder) {
    const std::string url = "http://h/p";
    const std::string tail = "\r\nReferer: http://h/p\r\nAccept-Language: zh-cn"
                             "\r\nContent-Type: application/x-www-form-urlencoded";
    struct Case {
        const char* lines;
        std::optional<std::string> cookie;
        std::string block;
    } cases[] = {
        {"", std::nullopt, "Accept: */*" + tail},
        {"Accept: text/html", std::nullopt, "Accept: text/html" + tail},
        {"X-One: 1", std::nullopt, "X-One: 1\r\nAccept: */*" + tail},
        {"", std::string(""), "Accept: */*" + tail},
        {"", std::string("a=1; b=2"), "Accept: */*" + tail + "\r\nCookie: a=1; b=2"},
        {"", std::string("Cookie: a=1"), "Accept: */*" + tail + "\r\nCookie: a=1"},
        {"Referer: r\r\nContent-Type: text/plain\r\nAccept-Language: en\r\nAccept: x", std::nullopt,
         "Referer: r\r\nContent-Type: text/plain\r\nAccept-Language: en\r\nAccept: x"},
    };
    for (const Case& c : cases) EXPECT_EQ(FetchHeaderBlock(c.lines, url, c.cookie), c.block) << c.lines;
}

TEST(FetchUrlPieces, CookiesFromResponseHeaders) {
    struct Case {
        const char* headers;
        const char* cookies;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n", "a=1; b=2"},
        {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
        {"HTTP/1.1 200 OK\r\nSet-Cookie:   spaced=1   ;path=/\r\n\r\n", "spaced=1"},
    };
    for (const Case& c : cases) EXPECT_EQ(CookiesFromHeaders(c.headers), c.cookies) << c.headers;
}

TEST(FetchUrlWire, GetSendsTheBlockInOrderAndNoBody) {
    RawServer server(route);
    std::string lines;
    std::string body = FetchUrl(server.base() + "/p?q=1", 0, "ignored body", std::nullopt, nullptr, &lines);
    EXPECT_EQ(body, "body of /p?q=1");
    ASSERT_EQ(server.requests().size(), 1u);
    const std::string raw = server.requests()[0];
    EXPECT_EQ(RawServer::requestLine(raw), "GET /p?q=1 HTTP/1.1");
    EXPECT_EQ(RawServer::body(raw), "");
    EXPECT_EQ(header(raw, "User-Agent"), kDefaultUserAgent);
    EXPECT_EQ(header(raw, "Host"), "127.0.0.1:" + std::to_string(server.port()));

    // Our lines go out in the order of the block, and the caller gets the block back.
    std::vector<std::string> sent = RawServer::headerLines(raw);
    std::vector<std::string> ours;
    for (const std::string& l : sent)
        for (const char* name : {"Accept:", "Referer:", "Accept-Language:", "Content-Type:"})
            if (l.rfind(name, 0) == 0) ours.push_back(l);
    const std::string url = server.base() + "/p?q=1";
    EXPECT_EQ(ours, (std::vector<std::string>{"Accept: */*", "Referer: " + url, "Accept-Language: zh-cn",
                                              "Content-Type: application/x-www-form-urlencoded"}));
    EXPECT_EQ(lines, "Accept: */*\r\nReferer: " + url +
                         "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded");
}

TEST(FetchUrlWire, MethodsAndBodies) {
    RawServer server(route);
    struct Case {
        int method;
        const char* bodyText;
        const char* bodyBytes;
        const char* verb;
        const char* sentBody;
    } cases[] = {
        {7, "x=1", "", "GET", ""},
        {-1, "", "", "GET", ""},
        {1, "a=1&b=2", "", "POST", "a=1&b=2"},
        {1, "text", "bytes=1", "POST", "bytes=1"},
        {2, "", "", "HEAD", ""},
    };
    for (const Case& c : cases) {
        size_t before = server.requests().size();
        FetchUrl(server.base() + "/m", c.method, c.bodyText, std::nullopt, nullptr, nullptr, nullptr, false,
                 c.bodyBytes);
        auto requests = server.requests();
        ASSERT_EQ(requests.size(), before + 1) << c.method;
        EXPECT_EQ(RawServer::requestLine(requests.back()), std::string(c.verb) + " /m HTTP/1.1") << c.method;
        EXPECT_EQ(RawServer::body(requests.back()), c.sentBody) << c.method;
    }
}

TEST(FetchUrlWire, CallerAgentGoesOutOnce) {
    RawServer server(route);
    std::string lines = "User-Agent: Tester/9";
    FetchUrl(server.base() + "/ua", 0, "", std::nullopt, nullptr, &lines);
    auto sent = RawServer::headerLines(server.requests().at(0));
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& l) { return l.rfind("User-Agent:", 0) == 0; }),
              1);
    EXPECT_EQ(header(server.requests()[0], "User-Agent"), "Tester/9");
}

TEST(FetchUrlWire, CookiesOutAndHeadersOut) {
    RawServer server(route);
    std::string cookies = "stale", headers;
    FetchUrl(server.base() + "/cookies", 0, "", std::string(), &cookies, nullptr, &headers);
    EXPECT_EQ(cookies, "a=1; b=2; c=3");
    EXPECT_NE(headers.find("HTTP/1.1 200 OK\r\n"), std::string::npos);
    EXPECT_NE(headers.find("Set-Cookie: b=2\r\n"), std::string::npos);
    EXPECT_NE(headers.find("Set-Cookie: c=3"), std::string::npos);
    EXPECT_EQ(headers.find("set-cookie"), std::string::npos);
}

TEST(FetchUrlWire, OversizedHeadersAreNotReturned) {
    RawServer server(route);
    std::string cookies = "stale", headers = "stale";
    std::string body = FetchUrl(server.base() + "/big", 0, "", std::string(), &cookies, nullptr, &headers);
    EXPECT_EQ(body, "big");
    EXPECT_EQ(headers, "");
    EXPECT_EQ(cookies, "");
}

TEST(FetchUrlWire, RedirectFollowedOrNot) {
    {
        RawServer server(route);
        std::string headers;
        EXPECT_EQ(FetchUrl(server.base() + "/from", 0, "", std::nullopt, nullptr, nullptr, &headers), "arrived");
        ASSERT_EQ(server.requests().size(), 2u);
        EXPECT_EQ(RawServer::requestLine(server.requests()[1]), "GET /to HTTP/1.1");
        EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK", 0), 0u) << headers; // the last response's headers
    }
    {
        RawServer server(route);
        EXPECT_EQ(FetchUrl(server.base() + "/from", 0, "", std::nullopt, nullptr, nullptr, nullptr, true), "moved");
        EXPECT_EQ(server.requests().size(), 1u);
    }
}

TEST(FetchUrlWire, CookieStoreOnlyWithoutCookieText) {
    RawServer server(route);
    // No cookie text: the process store keeps what the response set and sends it next time.
    FetchUrl(server.base() + "/store-set/kept=yes");
    FetchUrl(server.base() + "/check");
    EXPECT_NE(header(server.requests().back(), "Cookie").find("kept=yes"), std::string::npos);

    // Given cookie text, even empty, the store is neither read nor written.
    FetchUrl(server.base() + "/check", 0, "", std::string());
    EXPECT_EQ(header(server.requests().back(), "Cookie"), "\x01missing");
    FetchUrl(server.base() + "/check", 0, "", std::string("own=1"));
    EXPECT_EQ(header(server.requests().back(), "Cookie"), "own=1");
    FetchUrl(server.base() + "/store-set/private=1", 0, "", std::string());
    FetchUrl(server.base() + "/check");
    EXPECT_EQ(header(server.requests().back(), "Cookie").find("private=1"), std::string::npos);
}

TEST(FetchUrlWire, RefusedConnectionGivesEmptyBody) {
    int port;
    {
        RawServer gone([](const std::string&) { return std::string(); });
        port = gone.port();
    }
    std::string cookies = "stale";
    EXPECT_EQ(FetchUrl("http://127.0.0.1:" + std::to_string(port) + "/x", 0, "", std::nullopt, &cookies), "");
    EXPECT_EQ(cookies, "");
}

TEST(FetchUrlWire, BlanksInTheQueryStillMakeARequest) {
    RawServer server(route);
    FetchUrl(server.base() + "/items?startPrice=1 0&x=\x80\x81");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(RawServer::requestLine(server.requests()[0]), "GET /items?startPrice=1%200&x=%80%81 HTTP/1.1");
}
