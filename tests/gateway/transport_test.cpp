#include "gateway/cookie_store.h"
#include "gateway/http_fetch.h"
#include "support/raw_http_server.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace tk;
using tk::test::RawHttpServer;
using tk::test::RawReply;
using tk::test::RawRequest;

namespace {

const std::string kAccept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
                            "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";

RawHttpServer::Handler answer(std::string body, std::string extraHeaders = {}) {
    return [body, extraHeaders](const RawRequest&) { return RawReply{body, extraHeaders}; };
}

// Abandoned workers end on their own once curl's progress callback sees the flag; this only waits for that.
bool workersSettle() {
    for (int i = 0; i < 600 && RunningFetchWorkers() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return RunningFetchWorkers() == 0;
}

// Makes the test's thread the GUI thread for as long as it lives.
struct GuiThread {
    int argc = 1;
    char name[8] = "test";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

} // namespace

TEST(HttpFetchWire, GetCarriesExactlyTheListedHeadersInOrder) {
    RawHttpServer server(answer("hello"));
    const std::string address = server.baseUrl() + "link.asp?C=4";
    EXPECT_EQ(HttpFetch(address), "hello");
    RawRequest r = server.lastRequest();
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/link.asp?C=4");
    EXPECT_EQ(r.headerNames(), "Host|User-Agent|Accept|Referer|Accept-Language");
    EXPECT_EQ(r.header("Host"), "127.0.0.1:" + std::to_string(server.port()));
    EXPECT_EQ(r.header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(r.header("Accept"), kAccept);
    EXPECT_EQ(r.header("Referer"), address);
    EXPECT_EQ(r.header("Accept-Language"), "zh-cn");
    EXPECT_EQ(r.body, "");
}

TEST(HttpFetchWire, PostBodiesAndContentHeaders) {
    RawHttpServer server(answer("0"));
    const std::string address = server.baseUrl() + "link.asp";
    struct Case { std::string body; std::string names; };
    const std::string full = "Host|User-Agent|Accept|Referer|Accept-Language|Content-Type|Content-Length";
    // A long body would make curl ask for "Expect: 100-continue"; it must not.
    for (const Case& c : {Case{"C=2&post=0A1B", full}, Case{std::string(5000, 'F'), full},
                          Case{"", "Host|User-Agent|Accept|Referer|Accept-Language"}}) {
        FetchOptions o;
        o.method = "POST";
        o.body = c.body;
        EXPECT_EQ(HttpFetch(address, o), "0");
        RawRequest r = server.lastRequest();
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.headerNames(), c.names) << c.body.size();
        EXPECT_EQ(r.body, c.body);
        if (!c.body.empty()) {
            EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
            EXPECT_EQ(r.header("Content-Length"), std::to_string(c.body.size()));
        }
    }
}

TEST(HttpFetchWire, ExtraHeadersAndCookieText) {
    RawHttpServer server(answer("x"));
    const std::string address = server.baseUrl() + "p";
    struct Case { std::string method, extra, cookie, names; };
    const Case cases[] = {
        // Present in any letter case: the default stays away.
        {"GET", "accept: text/html\r\n", "", "Host|User-Agent|accept|Referer|Accept-Language"},
        // Without the space after the colon the name does not count as present.
        {"GET", "Referer:elsewhere\r\n", "", "Host|User-Agent|Referer|Accept|Referer|Accept-Language"},
        {"GET", "X-One: 1\r\nAccept-Language: en\r\n", "", "Host|User-Agent|X-One|Accept-Language|Accept|Referer"},
        {"POST", "Content-Type: text/plain\r\n", "",
         "Host|User-Agent|Content-Type|Accept|Referer|Accept-Language|Content-Length"},
        {"GET", "", "a=1; b=2", "Host|User-Agent|Cookie|Accept|Referer|Accept-Language"},
        {"GET", "", "   ", "Host|User-Agent|Accept|Referer|Accept-Language"},
    };
    for (const Case& c : cases) {
        FetchOptions o;
        o.method = c.method;
        o.body = c.method == "POST" ? "k=v" : "";
        o.extraHeaders = c.extra;
        o.cookieText = c.cookie;
        EXPECT_EQ(HttpFetch(address, o), "x") << c.extra;
        RawRequest r = server.lastRequest();
        EXPECT_EQ(r.headerNames(), c.names) << c.extra << c.cookie;
        if (c.method == "POST") {
            EXPECT_EQ(r.header("Content-Type"), "text/plain");
        }
        if (!c.cookie.empty() && c.cookie != "   ") {
            EXPECT_EQ(r.header("Cookie"), c.cookie);
        }
    }
}

TEST(HttpFetchWire, Methods) {
    RawHttpServer server(answer("m"));
    struct Case { std::string method, sent; };
    for (const Case& c : {Case{"get", "GET"}, Case{"", "GET"}, Case{"post", "POST"}, Case{"Post", "POST"},
                          Case{"PUT", ""}, Case{"DELETE", ""}}) {
        const size_t before = server.requests().size();
        FetchOptions o;
        o.method = c.method;
        o.body = "b=1";
        FetchReturns returns;
        std::string body = HttpFetch(server.baseUrl() + "m", o, &returns);
        if (c.sent.empty()) {
            EXPECT_EQ(body, "") << c.method;
            EXPECT_EQ(returns.headers, "") << c.method;
            EXPECT_EQ(server.requests().size(), before) << c.method; // nothing was sent
        } else {
            EXPECT_EQ(body, "m") << c.method;
            EXPECT_EQ(server.lastRequest().method, c.sent);
        }
    }
}

TEST(HttpFetchWire, ReturnedHeadersAndCookies) {
    struct Case { std::string extra, cookies; };
    const Case cases[] = {
        {"Set-Cookie: a=1; path=/\r\n", "a=1"},
        {"Set-Cookie: a=1\r\n", ""},
        {"Set-Cookie: a=1; path=/\r\nSet-Cookie:  b=2 ; HttpOnly\r\n", "a=1; b=2"},
        {"set-cookie: c=3; path=/\r\n", "c=3"},
        // Lines that merely hold "=" and ";" are no cookies.
        {"Cache-Control: max-age=1; private\r\nSet-Cookie: a=1; path=/\r\n", "a=1"},
        {"Cache-Control: max-age=1; private\r\n", ""},
    };
    for (const Case& c : cases) {
        RawHttpServer server(answer("body", c.extra));
        FetchReturns returns;
        EXPECT_EQ(HttpFetch(server.baseUrl(), {}, &returns), "body");
        EXPECT_EQ(returns.cookies, c.cookies) << c.extra;
        EXPECT_EQ(returns.headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << returns.headers;
        EXPECT_NE(returns.headers.find(c.extra), std::string::npos);
        EXPECT_EQ(returns.headers.substr(returns.headers.size() - 4), "\r\n\r\n");
    }
}

TEST(HttpFetchWire, HeadersLongerThanTheBufferComeBackBlank) {
    const std::string filler = "X-Filler: " + std::string(1600, 'z') + "\r\n";
    RawHttpServer server(answer("still here", filler + "Set-Cookie: a=1; path=/\r\n"));
    FetchReturns returns;
    EXPECT_EQ(HttpFetch(server.baseUrl(), {}, &returns), "still here");
    EXPECT_EQ(returns.headers, std::string(1536, ' '));
    EXPECT_EQ(returns.cookies, "");
}

TEST(HttpFetchWire, StoreCookiesPutsThemInTheSharedStore) {
    RawHttpServer server(answer("ok", "Set-Cookie: sid=abc123; path=/\r\nSet-Cookie: other=1; path=/deep\r\n"));
    FetchOptions o;
    EXPECT_EQ(HttpFetch(server.baseUrl(), o), "ok");
    EXPECT_EQ(StoredCookies("127.0.0.1"), "") << "only stored when asked";
    o.storeCookies = true;
    EXPECT_EQ(HttpFetch(server.baseUrl(), o), "ok");
    EXPECT_EQ(StoredCookies("127.0.0.1"), "sid=abc123");
    EXPECT_EQ(StoredCookies("127.0.0.1", "/deep/x"), "sid=abc123; other=1");
    StoreCookie("Example.COM", "k", "v; Path=/");
    EXPECT_EQ(StoredCookies("example.com"), "k=v");
    EXPECT_EQ(StoredCookies("other.example.com"), "");
}

TEST(HttpFetchWire, ProxyAndCredentials) {
    // The proxy sees the whole address in the request line; credentials alone add no header until asked.
    RawHttpServer proxy(answer("via proxy"));
    FetchOptions o;
    o.proxy = "127.0.0.1:" + std::to_string(proxy.port());
    EXPECT_EQ(HttpFetch("http://gateway.invalid:8080/link.asp?C=3", o), "via proxy");
    EXPECT_EQ(proxy.lastRequest().target, "http://gateway.invalid:8080/link.asp?C=3");
    EXPECT_EQ(proxy.lastRequest().header("Host"), "gateway.invalid:8080");

    RawHttpServer server(answer("plain"));
    FetchOptions creds;
    creds.userName = "u";
    creds.password = "p";
    creds.proxy = "   ";
    EXPECT_EQ(HttpFetch(server.baseUrl(), creds), "plain");
    EXPECT_EQ(server.lastRequest().header("Authorization"), "");
}

TEST(HttpFetchWire, UnreachableOrEmptyAddressGivesNothing) {
    FetchReturns returns;
    EXPECT_EQ(HttpFetch("http://127.0.0.1:" + std::to_string(tk::test::unusedPort()) + "/", {}, &returns), "");
    EXPECT_EQ(returns.headers, "");
    EXPECT_EQ(HttpFetch(""), "");
    EXPECT_EQ(HttpFetch("link.asp?C=3"), "");
}

TEST(HttpFetchTimeout, SilentServerOffTheGuiThread) {
    RawHttpServer silent([](const RawRequest&) { return RawReply{{}, {}, true}; });
    RawHttpServer normal(answer("fine"));
    FetchOptions o;
    o.timeoutSeconds = 1;
    FetchReturns returns;
    EXPECT_EQ(HttpFetch(silent.baseUrl(), o, &returns), "");
    EXPECT_EQ(returns.headers, "");
    EXPECT_EQ(HttpFetch(normal.baseUrl(), o), "fine");
    EXPECT_TRUE(workersSettle());
}

TEST(HttpFetchTimeout, SilentServerOnTheGuiThreadKeepsEventsFlowing) {
    GuiThread gui;
    RawHttpServer silent([](const RawRequest&) { return RawReply{{}, {}, true}; });
    RawHttpServer normal(answer("fine"));
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);
    FetchOptions o;
    o.timeoutSeconds = 1;
    EXPECT_EQ(HttpFetch(silent.baseUrl(), o), "");
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(HttpFetch(normal.baseUrl(), o), "fine");
    EXPECT_TRUE(workersSettle());
}

TEST(HttpFetchTimeout, WindowInputRestartsTheWait) {
    GuiThread gui;
    std::atomic<bool> release{false};
    RawHttpServer slow([&](const RawRequest&) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return RawReply{"late", {}};
    });
    // Input arrives every 100 ms; the server answers only after 3 s of it, three times the limit.
    QObject receiver;
    int posted = 0;
    QTimer input;
    QObject::connect(&input, &QTimer::timeout, [&] {
        QCoreApplication::postEvent(&receiver, new QEvent(++posted % 2 ? QEvent::KeyPress : QEvent::MouseMove));
        if (posted == 30) release = true;
    });
    input.start(100);
    FetchOptions o;
    o.timeoutSeconds = 1;
    const std::string body = HttpFetch(slow.baseUrl(), o);
    release = true;
    EXPECT_EQ(body, "late");
    EXPECT_GE(posted, 30);
    EXPECT_TRUE(workersSettle());
}

TEST(HttpFetchTimeout, NestedCallsOnTheGuiThreadEachGetTheirOwnAnswer) {
    GuiThread gui;
    std::atomic<bool> release{false};
    RawHttpServer slow([&](const RawRequest&) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return RawReply{"outer", {}};
    });
    RawHttpServer quick(answer("inner"));
    std::string inner;
    QTimer::singleShot(50, [&] {
        inner = HttpFetch(quick.baseUrl());
        release = true;
    });
    EXPECT_EQ(HttpFetch(slow.baseUrl()), "outer");
    EXPECT_EQ(inner, "inner");
}

TEST(HttpFetchTimeout, CallsFromManyThreadsAtOnce) {
    RawHttpServer server([](const RawRequest& r) { return RawReply{r.target, {}}; });
    std::vector<std::thread> threads;
    std::atomic<int> right{0};
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] {
            if (HttpFetch(server.baseUrl() + std::to_string(i)) == "/" + std::to_string(i)) ++right;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(right, 8);
}

TEST(UrlParts, Table) {
    struct Case { std::string address, host, hostPort, path; int port; };
    const Case cases[] = {
        {"http://GateWay.Example.COM:8080", "gateway.example.com", "gateway.example.com:8080", "/", 8080},
        {"example.com/page", "example.com", "example.com", "/page", 80},
        {"http://127.0.0.1:8080/link.asp?C=3", "127.0.0.1", "127.0.0.1:8080", "/link.asp?C=3", 8080},
        {"http://h/x", "h", "h", "/x", 80},
        {"http://Host/A/b?q=1/2", "host", "host", "/A/b?q=1/2", 80},
        {"http://host:/", "host", "host:", "/", 0},
        {"", "", "", "/", 80},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UrlHost(c.address), c.host) << c.address;
        EXPECT_EQ(UrlHost(c.address, true), c.hostPort) << c.address;
        EXPECT_EQ(UrlPath(c.address), c.path) << c.address;
        EXPECT_EQ(UrlPort(c.address), c.port) << c.address;
    }
}

TEST(TextBetween, Table) {
    struct Case { std::string text, left, right, result; };
    const Case cases[] = {
        {"Set-Cookie: a=1; path=/", "Set-Cookie:", ";", " a=1"},
        {"Set-Cookie: a=1; path=/", "=", ";", "1"},
        {"Set-Cookie: a=1", "=", ";", ""},
        {"abc", "x", "c", ""},
        {"a[b]c[d]", "[", "]", "b"},
        {"a[b]c", "", "]", "a[b"},
        {"a[b]c", "", "x", ""},
        {"a[b]c", "[", "", "b]c"},
        {"a[b]c", "x", "", ""},
        {"aXbXc", "X", "X", "b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextBetween(c.text, c.left, c.right), c.result) << c.text << " " << c.left << " " << c.right;
}
