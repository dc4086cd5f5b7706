// Heartbeat endings. Each ends its process through the collapse, so the client runs in a child: this same
// binary, told by its environment to log in, open the main window and report what it shows.
#include "app/pump.h"
#include "gui/main_window_support.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include <cstdio>

using namespace tk;
using namespace tk::test;

namespace {

const char* const kChildGateway = "TK_MAIN_WINDOW_CHILD_GATEWAY";
const char* const kChildSearch = "TK_MAIN_WINDOW_CHILD_SEARCH";
const char* const kChildAccount = "TK_MAIN_WINDOW_CHILD_ACCOUNT";
const char* const kChildPassword = "TK_MAIN_WINDOW_CHILD_PASSWORD";

// The child: logs in, opens the window, prints "ready" and every message, and waits for the heartbeat to end
// the process. Skipped in an ordinary run.
TEST(MainWindowHeartbeatChild, RunsUntilTheHeartbeatEndsTheProcess) {
    if (qEnvironmentVariableIsEmpty(kChildGateway)) GTEST_SKIP() << "runs only as the child of the ending tests";
    AppState app;
    PointAt(app, qgetenv(kChildGateway).toStdString(), qgetenv(kChildSearch).toStdString());
    ASSERT_TRUE(Connect(app));
    ASSERT_EQ(LogIn(app, qgetenv(kChildAccount).toStdString(), qgetenv(kChildPassword).toStdString()),
              LogInOutcome::Success);
    OpenedUrls opened;
    SetMessageHook([](const ShownMessage& m) {
        std::printf("message|%s|%s|%d|%s\n", GbkToUtf8(m.text).c_str(), GbkToUtf8(m.caption).c_str(),
                    static_cast<int>(m.icon), m.ownerName.toUtf8().constData());
        std::fflush(stdout);
    });
    MainWindow::open(app);
    std::printf("ready\n");
    std::fflush(stdout);
    for (int i = 0; i < 900; ++i) WaitPumping(100); // the ending exits long before this
    SetMessageHook({});
    FAIL() << "the heartbeat did not end the process";
}

struct Ending {
    const char* what;
    const char* message;
    const char* caption;
    MessageIcon icon;
    const char* owner;
    const char* zxAfter; // empty: not looked at (the gateway is gone)
};

class MainWindowHeartbeat : public ::testing::TestWithParam<Ending> {};

TEST_P(MainWindowHeartbeat, EndsTheClientWithItsMessage) {
    const Ending& e = GetParam();
    GatewayFixture gateway;
    ASSERT_TRUE(gateway.start()) << gateway.error();
    ServerProcess search;
    ASSERT_TRUE(StartSampleSearch(search)) << search.error();
    const std::string name = UniqueAccount("beat");
    const std::string password = "Passw0rd1";
    ASSERT_TRUE(gateway.admin({"users", "add", QString::fromStdString(name), QString::fromStdString(password),
                               QString::fromStdString(name + "@example.cn")}));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildGateway, QString::fromStdString(gateway.baseUrl()));
    env.insert(kChildSearch, QString::fromStdString(search.hostPort()));
    env.insert(kChildAccount, QString::fromStdString(name));
    env.insert(kChildPassword, QString::fromStdString(password));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=MainWindowHeartbeatChild.*"});
    QByteArray out;
    auto readUntil = [&](const char* word, int ms) {
        QElapsedTimer t;
        t.start();
        while (!out.contains(word) && t.elapsed() < ms && child.state() != QProcess::NotRunning) {
            child.waitForReadyRead(200);
            out += child.readAllStandardOutput();
        }
        return out.contains(word);
    };
    ASSERT_TRUE(readUntil("ready", 60000)) << out.toStdString();
    EXPECT_EQ(UserField(gateway, name, kZxColumn), "1");

    const std::string what = e.what;
    if (what == "elsewhere") {
        AppState other;
        PointAt(other, gateway.baseUrl(), search.hostPort());
        ASSERT_TRUE(Connect(other));
        ASSERT_EQ(LogIn(other, name, password), LogInOutcome::Success);
    } else if (what == "key cleared") {
        ASSERT_TRUE(gateway.admin({"users", "set", QString::fromStdString(name), "zxkey", ""}));
    } else {
        gateway.stop();
    }

    ASSERT_TRUE(child.waitForFinished(90000)) << out.toStdString();
    out += child.readAllStandardOutput();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString() << child.readAllStandardError().toStdString();
    const std::string line = std::string("message|") + e.message + "|" + e.caption + "|" +
                             std::to_string(static_cast<int>(e.icon)) + "|" + e.owner + "\n";
    EXPECT_NE(out.toStdString().find(line), std::string::npos) << out.toStdString();
    EXPECT_EQ(out.count("message|"), 1) << out.toStdString();
    if (*e.zxAfter) {
        EXPECT_EQ(UserField(gateway, name, kZxColumn), e.zxAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Endings, MainWindowHeartbeat,
    ::testing::Values(
        // The later log-in wins; the flag now belongs to the other client and stays set.
        Ending{"elsewhere", "你的账户在别处登录，如不是本人操作，建议请尽快修改密码！", "异地登录",
               MessageIcon::Error, "MainWindow", "1"},
        Ending{"key cleared", "与服务器断开连接！", "警告", MessageIcon::Error, "MainWindow", "0"},
        Ending{"gateway stopped", "与服务器连接失败！", "信息：", MessageIcon::None, "", ""}),
    [](const ::testing::TestParamInfo<Ending>& info) {
        std::string n = info.param.what;
        for (char& c : n)
            if (c == ' ') c = '_';
        return n;
    });

} // namespace
