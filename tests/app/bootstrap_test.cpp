#include "app/bootstrap.h"
#include "app/internet_check.h"
#include "gateway/gateway_client.h"
#include "support/fake_gateway.h"
#include "text/encoding.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>

using namespace tk;
using tk::test::FakeGateway;

namespace {

struct RecordingView : BootstrapView {
    int hidden = 0;
    std::vector<Message> shown;
    void hideConnectionPicture() override { ++hidden; }
    std::string nameLabelCaption() override { return Gbk("青禾淘客"); }
    void showMessage(const Message& m) override { shown.push_back(m); }
};

std::string setupAnswer(const std::string& version) {
    return "id[xW|Col]c2[xW|Col]c3[xW|Col]version[xW|Col]c5[xW|Col]url[xW|Col]switch[xW|Col]notice[xW|Row]"
           "1[xW|Col]x[xW|Col]y[xW|Col]" + version + "[xW|Col]z[xW|Col]http://dl.example/new.exe[xW|Col]3.9[xW|Col]" +
           Gbk("今日公告");
}

// A gateway that is also the probe address, answering the Setup read with the given row.
struct Fixture {
    FakeGateway gw;
    AppState app;
    explicit Fixture(const std::string& version) {
        gw.setAnswer([version](const FakeGateway::Statement& s) {
            return s.sql == std::string("select top 1 * from Setup") ? setupAnswer(version) : "-1";
        });
        app.settings.gatewayBase = gw.baseUrl();
        app.settings.gatewayPage = "link.asp";
        app.settings.gatewaySymbols = "q,k,z,b,x,l,p,u,f,j,c";
        app.settings.probeUrl = gw.baseUrl();
    }
};

} // namespace

TEST(Bootstrap, VersionGate) {
    struct Case { std::string version; BootstrapOutcome outcome; };
    const Case cases[] = {
        {"1.001", BootstrapOutcome::Ready},     {"1.002", BootstrapOutcome::Outdated},
        {"1.000", BootstrapOutcome::Outdated},  {"1.001 ", BootstrapOutcome::Outdated},
        {"", BootstrapOutcome::Outdated},
    };
    for (const Case& c : cases) {
        Fixture f(c.version);
        RecordingView view;
        EXPECT_EQ(bootstrap(f.app, view), c.outcome) << c.version;
        EXPECT_EQ(view.hidden, 1);
        EXPECT_EQ(f.app.productName, Gbk("青禾淘客"));
        EXPECT_EQ(f.app.latestVersion, c.version);
        EXPECT_EQ(f.app.downloadUrl, "http://dl.example/new.exe");
        EXPECT_EQ(f.app.noticeSwitch, 3);
        EXPECT_EQ(f.app.noticeText, Gbk("今日公告"));
        EXPECT_EQ(f.app.clientIp, "127.0.0.1");
        EXPECT_EQ(f.app.gateway.connected, 1);
        EXPECT_EQ(RowCount(f.app.lastResult), 1);
        if (c.outcome == BootstrapOutcome::Ready) {
            EXPECT_TRUE(view.shown.empty());
        } else {
            ASSERT_EQ(view.shown.size(), 1u);
            EXPECT_EQ(view.shown[0].text, Gbk("当前版本不是最新版本，请立刻更新"));
            EXPECT_EQ(view.shown[0].icon, MessageIcon::Information);
        }
    }
}

TEST(Bootstrap, OfflineWhenTheProbeDoesNotAnswer) {
    Fixture f("1.001");
    f.app.settings.probeUrl = "http://127.0.0.1:" + std::to_string(tk::test::unusedPort()) + "/";
    RecordingView view;
    EXPECT_EQ(bootstrap(f.app, view), BootstrapOutcome::Offline);
    ASSERT_EQ(view.shown.size(), 1u);
    EXPECT_EQ(view.shown[0].text, Gbk("连接服务器失败，请稍后重试"));
    EXPECT_EQ(view.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(view.hidden, 0); // the connection picture stays
    EXPECT_EQ(f.gw.server().requests().size(), 0u);
}

TEST(Bootstrap, RetriesWithAFreshConnectUntilTheRowArrives) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication qapp(argc, argv);

    Fixture f("1.001");
    // Pass 1: the Setup read has no data row. Pass 2: the clock reads 0. Pass 3: all well.
    std::atomic<int> setupReads{0};
    f.gw.setAnswer([&](const FakeGateway::Statement&) {
        return ++setupReads == 1 ? std::string("id[xW|Col]version") : setupAnswer("1.001");
    });
    f.gw.setClocks({"1700000000", "0", "1700000000"});
    int ticks = 0;
    QTimer events;
    QObject::connect(&events, &QTimer::timeout, [&] { ++ticks; });
    events.start(100);

    const int timersBefore = RunningClockTimers();
    RecordingView view;
    EXPECT_EQ(bootstrap(f.app, view), BootstrapOutcome::Ready);
    EXPECT_EQ(f.gw.count("/link.asp?C=4"), 3u);
    EXPECT_EQ(f.gw.count("/link.asp?C=3"), 3u);
    EXPECT_EQ(f.gw.count("/"), 3u); // the probe, once per pass
    EXPECT_EQ(setupReads, 2);       // pass 2 had no usable descriptor and sent nothing
    EXPECT_EQ(RunningClockTimers(), timersBefore + 1);
    EXPECT_EQ(view.hidden, 1);
    EXPECT_TRUE(view.shown.empty());
    EXPECT_GT(ticks, 10); // events kept flowing through the two 3-second waits
}

TEST(InternetCheck, AnyAnswerCounts) {
    tk::test::RawHttpServer server([](const tk::test::RawRequest&) { return tk::test::RawReply{"", {}}; });
    EXPECT_TRUE(InternetAvailable(server.baseUrl()));
    EXPECT_FALSE(InternetAvailable("http://127.0.0.1:" + std::to_string(tk::test::unusedPort()) + "/"));
    EXPECT_FALSE(InternetAvailable(""));
}
