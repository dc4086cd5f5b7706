#include "app/bootstrap.h"
#include "gateway/gateway_client.h"
#include "support/gateway_fixture.h"
#include "support/paths.h"
#include "text/encoding.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace tk;

namespace {

std::string insertUser(const std::string& name, const std::string& password, const std::string& email) {
    return "INSERT INTO users (`username`,`password`,`email`,`ip`,`zctime`) VALUES ('" + name + "','" + password +
           "','" + email + "','127.0.0.1','2026-12-11 12:00:00')";
}

std::string logInSelect(const std::string& name, const std::string& password) {
    return "select * from users where username='" + name + "' and password='" + password + "'";
}

class GatewayRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(tk::test::gatewayBinary().empty()) << "taoke-gateway is not built";
        ASSERT_TRUE(server.start()) << server.error();
        app.settings.gatewayBase = server.baseUrl();
        app.settings.probeUrl = server.baseUrl();
        gateway = ConnectGateway(app, server.baseUrl(), "link.asp", "q,k,z,b,x,l,p,u,f,j,c", 1, 1);
        ASSERT_EQ(gateway.connected, 1);
    }

    tk::test::GatewayFixture server;
    AppState app;
    GatewayDescriptor gateway;
};

struct SilentView : BootstrapView {
    int hidden = 0;
    int messages = 0;
    void hideConnectionPicture() override { ++hidden; }
    std::string nameLabelCaption() override { return Gbk("青禾淘客"); }
    void showMessage(const Message&) override { ++messages; }
};

} // namespace

TEST_F(GatewayRoundTrip, SetupRowAndBootstrap) {
    EXPECT_EQ(app.clientIp, "127.0.0.1");
    EXPECT_GT(app.serverClock(), 1600000000);
    ResultTable setup = QueryGateway(gateway, "select top 1 * from Setup");
    ASSERT_EQ(RowCount(setup), 1);
    EXPECT_EQ(CellText(setup, 4, 1), "1.001");

    SilentView view;
    EXPECT_EQ(bootstrap(app, view), BootstrapOutcome::Ready);
    EXPECT_EQ(app.latestVersion, "1.001");
    EXPECT_EQ(view.hidden, 1);
    EXPECT_EQ(view.messages, 0);
}

TEST_F(GatewayRoundTrip, InsertLogInSelectAndDuplicates) {
    const std::string name = Gbk("青禾用户");
    ASSERT_EQ(ExecuteGateway(gateway, insertUser(name, "pw1", "qh@example.com")), 1);

    ResultTable user = QueryGateway(gateway, logInSelect(name, "pw1"));
    ASSERT_EQ(RowCount(user), 1);
    EXPECT_EQ(CellText(user, 2, 1), name);
    EXPECT_EQ(CellText(user, 3, 1), "pw1");
    EXPECT_EQ(CellText(user, 4, 1), "qh@example.com");
    EXPECT_EQ(CellText(user, 9, 1), "0") << "a new account is not frozen";
    EXPECT_EQ(RowCount(QueryGateway(gateway, logInSelect(name, "wrong"))), 0);

    // The same name again, in any letter case, or the same e-mail address: refused, nothing added.
    ASSERT_EQ(ExecuteGateway(gateway, insertUser("Bob", "x", "bob@example.com")), 1);
    EXPECT_EQ(ExecuteGateway(gateway, insertUser("Bob", "y", "other@example.com")), 0);
    EXPECT_EQ(ExecuteGateway(gateway, insertUser("BOB", "y", "other2@example.com")), 0);
    EXPECT_EQ(ExecuteGateway(gateway, insertUser("Carol", "y", "BOB@example.com")), 0);
    EXPECT_EQ(RowCount(QueryGateway(gateway, "select * from users where username='Bob'")), 1);
}

TEST_F(GatewayRoundTrip, StatementsOutsideTheAllowListAreRefused) {
    ASSERT_EQ(ExecuteGateway(gateway, insertUser("A", "P", "a@example.com")), 1);
    for (const std::string sql : {"drop table users", "select * from users", "delete from users",
                                  "select * from users where username='A' or '1'='1'"}) {
        EXPECT_EQ(ExecuteGateway(gateway, sql), 0) << sql;
        EXPECT_EQ(RowCount(QueryGateway(gateway, sql)), -1) << sql;
    }
    EXPECT_EQ(RowCount(QueryGateway(gateway, logInSelect("A", "P"))), 1) << "the users table is untouched";
}

TEST_F(GatewayRoundTrip, CommandLineTool) {
    ASSERT_FALSE(tk::test::cliBinary().empty());
    auto run = [&](const QStringList& args, std::string* out) {
        QProcess p;
        p.start(QString::fromStdString(tk::test::cliBinary()), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        *out = p.readAllStandardOutput().toStdString();
        return p.exitCode();
    };
    const QString base = QString::fromStdString(server.baseUrl());
    std::string out;
    EXPECT_EQ(run({"gateway", "query", "select top 1 * from Setup", "--gateway", base}, &out), 0);
    EXPECT_EQ(out.substr(0, out.find('\n')), "id\tname\ttitle\tversion\tupdatetime\tdownurl\tnoticeswitch\tnotice");
    const std::string row = out.substr(out.find('\n') + 1);
    EXPECT_EQ(row.rfind("1\t青禾淘客\t青禾淘客\t1.001\t", 0), 0u) << row;

    EXPECT_EQ(run({"gateway", "exec", insertUser("用户", "p", "u@example.com").c_str(), "--gateway", base}, &out), 0);
    EXPECT_EQ(out, "1\n");
    EXPECT_EQ(run({"gateway", "query", "select * from users where username='用户'", "--gateway", base}, &out), 0);
    EXPECT_NE(out.find("\n1\t用户\tp\tu@example.com\t"), std::string::npos) << out;
    EXPECT_EQ(run({"gateway", "exec", "drop table users", "--gateway", base}, &out), 1);
    EXPECT_EQ(out, "0\n");
    EXPECT_EQ(run({"gateway", "query", "select top 1 * from Setup", "--gateway", "127.0.0.1:1"}, &out), 2);
}
