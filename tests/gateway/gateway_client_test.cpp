#include "app/app_state.h"
#include "gateway/codec.h"
#include "gateway/gateway_client.h"
#include "support/fake_gateway.h"
#include "text/encoding.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace tk;
using tk::test::FakeGateway;

namespace {

constexpr const char* kSymbols = "q,k,z,b,x,l,p,u,f,j,c";

GatewayDescriptor connect(AppState& app, const FakeGateway& gw, int wantClock = 1, int wantIp = 1) {
    return ConnectGateway(app, gw.baseUrl(), "link.asp", kSymbols, wantClock, wantIp);
}

FakeGateway::Answer fixed(std::string text) {
    return [text](const FakeGateway::Statement&) { return text; };
}

} // namespace

TEST(ConnectGateway, ReadsTheIpBeforeTheClockAndKeepsItUntrimmed) {
    FakeGateway gw;
    gw.setIp(" 10.1.2.3 \r\n");
    AppState app;
    GatewayDescriptor d = connect(app, gw);
    EXPECT_EQ(app.clientIp, " 10.1.2.3 \r\n");
    auto requests = gw.server().requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/link.asp?C=4");
    EXPECT_EQ(requests[1].target, "/link.asp?C=3");
    EXPECT_EQ(d.connected, 1);
    EXPECT_EQ(d.baseUrl, gw.baseUrl());
    EXPECT_EQ(d.page, "link.asp");
}

TEST(ConnectGateway, ClockAnswers) {
    struct Case { std::string answer; int64_t clock; bool usable; };
    const Case cases[] = {
        {"1700000000", 1700000000, true},
        {"  1700000000.9xyz", 1700000000, true},
        {"42\r\n", 42, true},
        {"abc", 0, false},
        {"0", 0, false},
        {"", 0, false},
    };
    for (const Case& c : cases) {
        FakeGateway gw;
        gw.setClock(c.answer);
        gw.setAnswer(fixed("H[xW|Row]v"));
        AppState app;
        GatewayDescriptor d = connect(app, gw);
        EXPECT_EQ(app.serverClock(), c.clock) << c.answer;
        EXPECT_EQ(d.connected, c.usable ? 1 : 0) << c.answer;
        EXPECT_EQ(d.baseUrl.empty(), !c.usable) << c.answer;
        EXPECT_EQ(d.page.empty(), !c.usable) << c.answer;
        EXPECT_EQ(app.gatewayState->clockMode.load(), c.usable) << c.answer;
        // An unusable descriptor sends nothing further and gives the empty table.
        ResultTable t = QueryGateway(d, "select top 1 * from Setup");
        EXPECT_EQ(RowCount(t), c.usable ? 1 : -1) << c.answer;
        EXPECT_EQ(ExecuteGateway(d, "update x"), 0) << c.answer;
        EXPECT_EQ(gw.statements().size(), c.usable ? 2u : 0u) << c.answer;
    }
}

TEST(ConnectGateway, OneClockTimerHoweverOftenItConnects) {
    FakeGateway gw;
    const int before = RunningClockTimers();
    {
        AppState app;
        connect(app, gw);
        connect(app, gw);
        connect(app, gw);
        EXPECT_EQ(RunningClockTimers(), before + 1);
        // A connect that reads 0 keeps clock mode and the running timer.
        gw.setClock("0");
        GatewayDescriptor d = connect(app, gw);
        EXPECT_EQ(d.connected, 0);
        EXPECT_TRUE(app.gatewayState->clockMode.load());
        EXPECT_EQ(RunningClockTimers(), before + 1);
    }
    EXPECT_EQ(RunningClockTimers(), before);
}

TEST(ConnectGateway, ClockAdvancesWithoutAnEventLoop) {
    FakeGateway gw;
    gw.setClock("1000");
    AppState app;
    connect(app, gw);
    for (int i = 0; i < 100 && app.serverClock() == 1000; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_GT(app.serverClock(), 1000);
}

TEST(ConnectGateway, WithoutClockOrIp) {
    FakeGateway gw;
    AppState app;
    app.clientIp = "kept";
    GatewayDescriptor d = connect(app, gw, 0, 0);
    EXPECT_EQ(gw.server().requests().size(), 0u);
    EXPECT_EQ(app.clientIp, "kept");
    EXPECT_EQ(d.connected, 0);
    EXPECT_EQ(d.baseUrl, gw.baseUrl()); // usable, just without clock mode
    EXPECT_FALSE(app.gatewayState->clockMode.load());
}

TEST(GatewayBodies, StatementsTravelEncodedAndStamped) {
    FakeGateway gw;
    gw.setClock("1700000000");
    gw.setAnswer(fixed("0"));
    AppState app;
    GatewayDescriptor d = connect(app, gw);
    const std::string sql = Gbk("select * from users where username='青禾' and password='\t'");
    EXPECT_EQ(ExecuteGateway(d, sql), 1);
    QueryGateway(d, sql);
    auto st = gw.statements();
    ASSERT_EQ(st.size(), 2u);
    EXPECT_EQ(st[0].command, 1);
    EXPECT_EQ(st[1].command, 2);
    for (const auto& s : st) {
        ASSERT_TRUE(s.sql.has_value());
        EXPECT_EQ(*s.sql, sql);
        ASSERT_TRUE(s.stamp.has_value());
        EXPECT_GE(*s.stamp, 1700000000);
        EXPECT_LT(*s.stamp, 1700000000 + 60);
        EXPECT_EQ(s.post.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    }
    EXPECT_EQ(QueryBody(d, ""), "C=2&post=");
    EXPECT_EQ(ExecuteBody(d, ""), "C=1&post=");
}

TEST(GatewayBodies, NoClockModeNoStampAndABadSymbolListSendsNothing) {
    FakeGateway gw;
    gw.setAnswer(fixed("0"));
    AppState app;
    GatewayDescriptor d = connect(app, gw, 0, 0);
    EXPECT_EQ(ExecuteGateway(d, "select 1"), 1);
    ASSERT_EQ(gw.statements().size(), 1u);
    EXPECT_FALSE(gw.statements()[0].stamp.has_value());
    EXPECT_EQ(*gw.statements()[0].sql, "select 1");

    GatewayDescriptor bad = ConnectGateway(app, gw.baseUrl(), "link.asp", "q,k,z", 0, 0);
    EXPECT_EQ(QueryBody(bad, "select 1"), "C=2&post=");
    EXPECT_EQ(ExecuteBody(bad, "select 1"), "C=1&post=");
    EXPECT_EQ(QueryBody(GatewayDescriptor{}, "select 1"), "C=2&post=");
}

TEST(QueryGateway, AnswersThroughTheWire) {
    struct Case { std::string plain; int rows; int cols; int rowCount; int col, dataRow; std::string cell; };
    const std::string tea = Gbk("青禾");
    const Case cases[] = {
        {"H1[xW|Col]H2[xW|Row]a[xW|Col]b", 2, 2, 1, 2, 1, "b"},
        {"H1[xW|Col]H2[xW|Row]a[xW|Col]b", 2, 2, 1, 3, 1, ""},
        {"H1[xW|Col]H2[xW|Row]a[xW|Col]b", 2, 2, 1, 1, 2, ""},
        {"H1[xW|Col]H2[xW|Row]a[xW|Col]b[xW|Col][xW|Row]", 2, 2, 1, 2, 1, "b"},
        {"A[xW|Col]B[xW|Col]C[xW|Row]d[xW|Col]e", 2, 2, 1, 1, 1, "C"},
        {"A[xW|Row]b[xW|Col]c[xW|Col]d", 2, 3, 1, 1, 1, "d"},
        {"id[xW|Col]name", 1, 2, 0, 1, 0, "id"},
        {"H[xW|Col]N[xW|Row]" + tea + "[xW|Col]2", 2, 2, 1, 1, 1, tea},
        {"-1", 0, 0, -1, 1, 1, ""},
        {"-1[xW|Row]a", 0, 0, -1, 1, 1, ""},
        {"", 0, 0, -1, 1, 0, ""},
    };
    FakeGateway gw;
    AppState app;
    GatewayDescriptor d = connect(app, gw);
    for (const Case& c : cases) {
        gw.setAnswer(fixed(c.plain));
        ResultTable t = QueryGateway(d, "select * from users");
        EXPECT_EQ(t.rows, c.rows) << c.plain;
        EXPECT_EQ(t.cols, c.cols) << c.plain;
        EXPECT_EQ(RowCount(t), c.rowCount) << c.plain;
        EXPECT_EQ(CellText(t, c.col, c.dataRow), c.cell) << c.plain;
    }
}

TEST(QueryGateway, ClockModeTrailer) {
    FakeGateway gw;
    AppState app;
    GatewayDescriptor d = connect(app, gw);
    gw.setTrailer(false);
    // Without its trailer a short answer is all trailer; a longer one loses its last 10 characters.
    gw.setAnswer(fixed("H[xW|Row]x"));
    EXPECT_EQ(RowCount(QueryGateway(d, "q")), -1);
    gw.setAnswer(fixed("H[xW|Row]abcdefghijklmnop"));
    EXPECT_EQ(CellText(QueryGateway(d, "q"), 1, 1), "abcdef");
}

TEST(QueryGateway, ErrorPagesAndGarbageGiveNoRows) {
    FakeGateway gw;
    AppState app;
    GatewayDescriptor d = connect(app, gw);
    tk::test::RawHttpServer page([](const tk::test::RawRequest&) {
        return tk::test::RawReply{"<html>Internal Server Error</html>", {}};
    });
    GatewayDescriptor broken = d;
    broken.baseUrl = page.baseUrl();
    EXPECT_LE(RowCount(QueryGateway(broken, "q")), 0);
    EXPECT_EQ(ExecuteGateway(broken, "u"), 0);
}

TEST(ExecuteGateway, Answers) {
    struct Case { std::string answer; int result; };
    const Case cases[] = {
        {"0", 1}, {" 0", 1}, {"0 rows", 1}, {"\xA1\xA1" "0", 1}, {"  \xA1\xA1 \xA1\xA1" "01", 1},
        {"", 0}, {"1", 0}, {"-1", 0}, {" 1 0", 0}, {"\xA1" "0", 0}, {"\t0", 0}, {"\xB0\xA1" "0", 0},
    };
    FakeGateway gw;
    AppState app;
    GatewayDescriptor d = connect(app, gw);
    for (const Case& c : cases) {
        gw.setAnswer(fixed(c.answer));
        EXPECT_EQ(ExecuteGateway(d, "update users set zx=0 where id=1"), c.result) << c.answer;
    }
}

TEST(GatewayThreads, QueriesFromWorkerThreadsWhileTheOwnerReconnects) {
    FakeGateway gw;
    gw.setAnswer([](const FakeGateway::Statement& s) { return "H[xW|Row]" + s.sql.value_or("?"); });
    AppState app;
    GatewayDescriptor d = connect(app, gw);
    std::atomic<int> right{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i)
        workers.emplace_back([&, i] {
            for (int k = 0; k < 5; ++k) {
                const std::string sql = "select " + std::to_string(i * 10 + k);
                if (CellText(QueryGateway(d, sql), 1, 1) == sql) ++right;
            }
        });
    for (int k = 0; k < 3; ++k) connect(app, gw);
    for (auto& w : workers) w.join();
    EXPECT_EQ(right, 20);
}
