#pragma once
// What the main-window tests share: a real gateway and a real sample-search for the whole suite, a fresh
// account per test, a logged-in client state, and the browser hook.
#include "accounts/accounts.h"
#include "app/app_state.h"
#include "support/gateway_fixture.h"
#include "support/paths.h"
#include "support/server_process.h"
#include "text/encoding.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

#include <QApplication>
#include <QPointer>
#include <QUrl>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace tk::test {

inline void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Records the addresses the windows would open in a browser.
class OpenedUrls {
public:
    OpenedUrls() {
        SetOpenUrlHook([this](const QUrl& u) { urls.push_back(u.toString().toStdString()); });
    }
    ~OpenedUrls() { SetOpenUrlHook({}); }
    std::vector<std::string> urls;
};

inline std::string UniqueAccount(const char* stem) {
    static std::atomic<int> n{0};
    return std::string(stem) + std::to_string(100000 + n++); // 8 to 20 characters
}

struct Account {
    std::string name, password, email;
};

// A sample-search on a free port, with optional misbehaviour flags.
inline bool StartSampleSearch(ServerProcess& server, const QStringList& flags = {}) {
    return server.start(sampleSearchBinary(), QStringList{"--listen", "127.0.0.1:0"} + flags);
}

// Settings that point a client at the suite's servers: the search service also serves the pictures, the
// web site and the internet probe, so that a stopped gateway is told apart from a lost network.
inline void PointAt(AppState& app, const std::string& gatewayBase, const std::string& searchHost) {
    app.settings.gatewayBase = gatewayBase;
    app.settings.probeUrl = "http://" + searchHost + "/";
    app.settings.searchHost = searchHost;
    app.settings.webSite = "http://" + searchHost + "/";
    app.settings.pictureServer = "http://" + searchHost;
}

inline bool Connect(AppState& app) {
    app.gateway = ConnectGateway(app, app.settings.gatewayBase, app.settings.gatewayPage,
                                 app.settings.gatewaySymbols, 1, 1);
    return app.gateway.connected == 1;
}

// The value of one column of the account's row as the maker's command prints it.
inline std::string UserField(GatewayFixture& gateway, const std::string& name, int column) {
    std::string out;
    if (!gateway.admin({"users", "list"}, &out)) return "\x01no list";
    size_t at = 0;
    while (at < out.size()) {
        size_t end = out.find('\n', at);
        if (end == std::string::npos) end = out.size();
        const QStringList cells = QString::fromStdString(out.substr(at, end - at)).split('\t');
        if (cells.size() > column && cells.size() > 1 && cells[1].toStdString() == name)
            return cells[column].toStdString();
        at = end + 1;
    }
    return "\x01no row";
}
inline constexpr int kZxColumn = 11; // 0-based in the listing

// One gateway and one sample-search for a whole suite of window tests.
class MainWindowSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_gateway = std::make_unique<GatewayFixture>();
        ASSERT_TRUE(s_gateway->start()) << s_gateway->error();
        s_search = std::make_unique<ServerProcess>();
        ASSERT_TRUE(StartSampleSearch(*s_search)) << s_search->error();
    }
    static void TearDownTestSuite() {
        s_search.reset();
        s_gateway.reset();
    }
    void TearDown() override {
        // Menus are top-level widgets owned by their windows: hold guarded pointers while deleting.
        std::vector<QPointer<QWidget>> windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<BorderlessWindow*>(w)) windows.emplace_back(w);
        for (auto& w : windows) delete w.data();
        FlushDeletes();
    }

    static std::string searchHost() { return s_search->hostPort(); }

    Account newAccount(const char* stem = "mainwin") {
        Account a{UniqueAccount(stem), "Passw0rd1", ""};
        a.email = a.name + "@example.cn";
        EXPECT_TRUE(s_gateway->admin({"users", "add", QString::fromStdString(a.name),
                                      QString::fromStdString(a.password), QString::fromStdString(a.email)}));
        return a;
    }

    // A client that has logged in with the account, as the log-in button leaves it.
    std::unique_ptr<AppState> loggedIn(const Account& a) {
        auto app = std::make_unique<AppState>();
        PointAt(*app, s_gateway->baseUrl(), searchHost());
        EXPECT_TRUE(Connect(*app));
        EXPECT_EQ(LogIn(*app, Gbk(a.name), Gbk(a.password)), LogInOutcome::Success);
        return app;
    }

    // A main window opened as a log-in opens it, with the heartbeat stopped: a check that ended this process
    // would end the whole test run.
    MainWindow* openQuiet(AppState& app) {
        MainWindow* w = MainWindow::open(app);
        w->时钟1->stop();
        return w;
    }

    static inline std::unique_ptr<GatewayFixture> s_gateway;
    static inline std::unique_ptr<ServerProcess> s_search;
};

} // namespace tk::test
