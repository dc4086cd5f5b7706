// The account operations against a real taoke-gateway on loopback, each test with names of its own on one
// gateway per suite.
#include "accounts/account_sql.h"
#include "accounts/accounts.h"
#include "support/gateway_fixture.h"
#include "support/paths.h"
#include "text/encoding.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <atomic>
#include <barrier>
#include <memory>
#include <thread>

using namespace tk;

namespace {

constexpr int kColId = 1;
constexpr int kColPassword = 3;
constexpr int kColOnlineKey = 10;

class AccountFlow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_gateway = std::make_unique<test::GatewayFixture>();
        ASSERT_TRUE(s_gateway->start()) << s_gateway->error();
    }
    static void TearDownTestSuite() { s_gateway.reset(); }

    // A fresh client: its own AppState and gateway state, connected as the start-up would.
    static std::unique_ptr<AppState> client() {
        auto app = std::make_unique<AppState>();
        app->settings.gatewayBase = s_gateway->baseUrl();
        app->settings.probeUrl = s_gateway->baseUrl();
        app->gateway = ConnectGateway(*app, app->settings.gatewayBase, app->settings.gatewayPage,
                                      app->settings.gatewaySymbols, 1, 1);
        EXPECT_EQ(app->gateway.connected, 1);
        return app;
    }

    static void admin(const QStringList& args) {
        std::string output;
        ASSERT_TRUE(s_gateway->admin(args, &output)) << args.join(' ').toStdString() << ": " << output;
    }

    // Registers through the logic and fails the test when that does not work.
    static void registered(const std::string& name, const std::string& password, const std::string& email) {
        auto app = client();
        ASSERT_EQ(Register(*app, name, password, email), RegisterOutcome::Success) << name;
    }

    // The account's row as another reader sees it (empty table when the id is not a row).
    static ResultTable row(const std::string& id) {
        auto app = client();
        return QueryGateway(app->gateway, accounts::UserByIdQuery(id));
    }

    static std::unique_ptr<test::GatewayFixture> s_gateway;
};
std::unique_ptr<test::GatewayFixture> AccountFlow::s_gateway;

bool isOnlineKey(const std::string& key) {
    if (key.size() != 50) return false;
    for (char c : key)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return false;
    return true;
}

} // namespace

TEST_F(AccountFlow, RegisterThenLogInMarksTheRowOnline) {
    registered("flowUser01", "Pass1234", "flow01@example.com");

    auto app = client();
    ASSERT_EQ(LogIn(*app, "flowUser01", "Pass1234"), LogInOutcome::Success);
    // The log-in query is the table the window reads afterwards.
    EXPECT_EQ(RowCount(app->lastResult), 1);
    EXPECT_EQ(CellText(app->lastResult, 2, 1), "flowUser01");
    EXPECT_FALSE(app->currentUserId.empty());
    EXPECT_EQ(app->currentUserId, CellText(app->lastResult, kColId, 1));
    EXPECT_TRUE(isOnlineKey(app->onlineKey)) << app->onlineKey;

    const ResultTable stored = row(app->currentUserId);
    EXPECT_EQ(CellText(stored, kColOnlineKey, 1), app->onlineKey);
    EXPECT_EQ(CellText(stored, 5, 1), app->clientIp);
    EXPECT_EQ(CheckOnline(*app), OnlineCheck::KeyEqual);

    // Going offline keeps the key: only a later log-in replaces it.
    EXPECT_EQ(SetOnlineState(*app, 0), 1);
    EXPECT_EQ(CellText(row(app->currentUserId), kColOnlineKey, 1), app->onlineKey);
}

TEST_F(AccountFlow, RegistrationRefusesTakenNamesAndAddresses) {
    registered("takenName1", "Pass1234", "taken1@example.com");
    struct Case { const char* name; const char* email; RegisterOutcome expected; };
    for (const Case& c : {
             Case{"takenName1", "other1@example.com", RegisterOutcome::AccountExists},
             Case{"TAKENNAME1", "other2@example.com", RegisterOutcome::AccountExists}, // the server ignores case
             Case{"takenName1", "taken1@example.com", RegisterOutcome::AccountExists}, // name decides first
             Case{"freshName1", "taken1@example.com", RegisterOutcome::EmailBound},
             Case{"freshName2", "TAKEN1@example.com", RegisterOutcome::EmailBound},
         }) {
        auto app = client();
        EXPECT_EQ(Register(*app, c.name, "Pass1234", c.email), c.expected) << c.name << " " << c.email;
        EXPECT_GE(RowCount(app->lastResult), 1);
    }
    // None of the refusals wrote a row.
    auto app = client();
    EXPECT_EQ(RowCount(QueryGateway(app->gateway, accounts::AccountExistsQuery("freshName1"))), 0);
    EXPECT_EQ(RowCount(QueryGateway(app->gateway, accounts::AccountExistsQuery("freshName2"))), 0);
}

TEST_F(AccountFlow, LogInInsistsOnTheExactBytes) {
    registered("exactName1", "Secret99", "exact1@example.com");
    struct Case { const char* name; const char* password; LogInOutcome expected; };
    for (const Case& c : {
             Case{"", "Secret99", LogInOutcome::AccountEmpty},
             Case{"exactName1", "", LogInOutcome::PasswordEmpty},
             Case{"exactname1", "Secret99", LogInOutcome::WrongAccountOrPassword}, // the database matched it
             Case{"exactName1", "SECRET99", LogInOutcome::WrongAccountOrPassword},
             Case{"exactName1", "Secret9", LogInOutcome::WrongAccountOrPassword},
             Case{"exactName1 ", "Secret99", LogInOutcome::WrongAccountOrPassword},
             Case{"'''", "Secret99", LogInOutcome::WrongAccountOrPassword},   // empty once stripped
             Case{"'", "'", LogInOutcome::WrongAccountOrPassword},
             Case{"exact'Name1", "Secret99", LogInOutcome::Success},          // quotes never reach the SQL
         }) {
        auto app = client();
        EXPECT_EQ(LogIn(*app, c.name, c.password), c.expected) << '"' << c.name << "\" / \"" << c.password << '"';
        if (c.expected != LogInOutcome::Success) {
            EXPECT_TRUE(app->currentUserId.empty());
            EXPECT_TRUE(app->onlineKey.empty());
        }
    }
}

TEST_F(AccountFlow, FrozenFlagAsTheServerHoldsIt) {
    registered("frozenAc01", "Pass1234", "frozen01@example.com");
    struct Case { const char* flag; bool refused; };
    for (const Case& c : {Case{"1", true}, Case{"1.0", true}, Case{" 1", true}, Case{"0", false}, Case{"", false},
                          Case{"2", false}, Case{"yes", false}}) {
        admin({"users", "set", "frozenAc01", "frozen", c.flag});
        auto app = client();
        const LogInOutcome outcome = LogIn(*app, "frozenAc01", "Pass1234");
        EXPECT_EQ(outcome, c.refused ? LogInOutcome::Frozen : LogInOutcome::Success) << '"' << c.flag << '"';
        if (c.refused) {
            EXPECT_TRUE(app->onlineKey.empty()); // nothing written for a frozen account
        }
    }
}

TEST_F(AccountFlow, HeartbeatEndings) {
    registered("beatUser01", "Pass1234", "beat01@example.com");
    auto first = client();
    auto second = client();
    ASSERT_EQ(LogIn(*first, "beatUser01", "Pass1234"), LogInOutcome::Success);
    EXPECT_EQ(CheckOnline(*first), OnlineCheck::KeyEqual);

    // The later log-in wins; the earlier client learns it at its next check.
    ASSERT_EQ(LogIn(*second, "beatUser01", "Pass1234"), LogInOutcome::Success);
    EXPECT_NE(first->onlineKey, second->onlineKey);
    EXPECT_EQ(CheckOnline(*first), OnlineCheck::KeyDifferent);
    EXPECT_EQ(CheckOnline(*second), OnlineCheck::KeyEqual);

    // The check keeps its table to itself.
    const ResultTable before = second->lastResult;
    CheckOnline(*second);
    EXPECT_EQ(second->lastResult.cells, before.cells);

    admin({"users", "set", "beatUser01", "zxkey", ""});
    EXPECT_EQ(CheckOnline(*second), OnlineCheck::KeyEmpty);

    AppState gone = *second;
    gone.currentUserId = "987654";
    EXPECT_EQ(CheckOnline(gone), OnlineCheck::NoSingleRow);
    gone.settings.probeUrl = "http://127.0.0.1:1/";
    EXPECT_EQ(CheckOnline(gone), OnlineCheck::NetworkGone);
}

TEST_F(AccountFlow, HeartbeatFromAWorkerThread) {
    registered("beatUser02", "Pass1234", "beat02@example.com");
    auto app = client();
    ASSERT_EQ(LogIn(*app, "beatUser02", "Pass1234"), LogInOutcome::Success);
    OnlineCheck seen = OnlineCheck::NetworkGone;
    std::thread worker([&] { seen = CheckOnline(*app); });
    worker.join();
    EXPECT_EQ(seen, OnlineCheck::KeyEqual);
}

TEST_F(AccountFlow, RecoveryShowsTheStoredPassword) {
    registered("recoverUs1", "Pass1234", "Recover1@example.com");
    struct Case { const char* name; const char* email; RecoverOutcome expected; };
    for (const Case& c : {
             Case{"", "Recover1@example.com", RecoverOutcome::AccountEmpty},
             Case{"recoverUs1", "", RecoverOutcome::EmailEmpty},
             Case{"recoverUs1", "recover1@example.com", RecoverOutcome::Wrong}, // the database matched it
             Case{"RECOVERUS1", "Recover1@example.com", RecoverOutcome::Wrong},
             Case{"recoverUs1", "Recover2@example.com", RecoverOutcome::Wrong},
             Case{"recover'Us1", "Recover1@exam'ple.com", RecoverOutcome::Success},
             Case{"recoverUs1", "Recover1@example.com", RecoverOutcome::Success},
         }) {
        auto app = client();
        const RecoverResult result = RecoverPassword(*app, c.name, c.email);
        EXPECT_EQ(result.outcome, c.expected) << c.name << " " << c.email;
        if (c.expected == RecoverOutcome::Success) {
            EXPECT_EQ(messageFor(result).text, Gbk("你的登录密码为[Pass1234]，赶快登录呦！"));
        }
    }

    // Shown exactly as stored, blanks included, whatever put it there.
    admin({"users", "set", "recoverUs1", "password", " pass  12 "});
    auto app = client();
    const RecoverResult result = RecoverPassword(*app, "recoverUs1", "Recover1@example.com");
    ASSERT_EQ(result.outcome, RecoverOutcome::Success);
    EXPECT_EQ(result.password, " pass  12 ");
    EXPECT_EQ(messageFor(result).text, Gbk("你的登录密码为[ pass  12 ]，赶快登录呦！"));
}

TEST_F(AccountFlow, LongAddressesRegisterAndRecover) {
    // 25 and 30 characters: the recover box is as wide as the register box.
    for (const std::string& email : {std::string("abcdefghijklmnopqrst@b.cd"), std::string("a1234567890123456789012@ex.com")}) {
        ASSERT_LE(email.size(), static_cast<size_t>(accounts::kRecoverEmailLimit));
        const std::string name = "longMail" + std::to_string(email.size());
        registered(name, "Pass1234", email);
        auto app = client();
        const RecoverResult result = RecoverPassword(*app, name, email);
        EXPECT_EQ(result.outcome, RecoverOutcome::Success) << email;
        EXPECT_EQ(result.password, "Pass1234");
    }
}

TEST_F(AccountFlow, ChangedPasswordIsTheOnlyOneThatLogsIn) {
    registered("changeUs01", "OldPass11", "change01@example.com");
    auto app = client();
    ASSERT_EQ(LogIn(*app, "changeUs01", "OldPass11"), LogInOutcome::Success);
    const std::string key = app->onlineKey;

    EXPECT_EQ(ChangePassword(*app, "oldpass11", "NewPass22", "NewPass22"), ChangePasswordOutcome::OldWrong);
    EXPECT_EQ(ChangePassword(*app, "OldPass11", "NewPass22", "newpass22"), ChangePasswordOutcome::ConfirmDiffers);
    EXPECT_EQ(ChangePassword(*app, "OldPass11", "NewPass2", "NewPass2"), ChangePasswordOutcome::Success);
    EXPECT_EQ(CellText(row(app->currentUserId), kColPassword, 1), "NewPass2");
    // Still logged in under the same key.
    EXPECT_EQ(app->onlineKey, key);
    EXPECT_EQ(CheckOnline(*app), OnlineCheck::KeyEqual);

    EXPECT_EQ(LogIn(*client(), "changeUs01", "OldPass11"), LogInOutcome::WrongAccountOrPassword);
    EXPECT_EQ(LogIn(*client(), "changeUs01", "NewPass2"), LogInOutcome::Success);

    // Without a logged-in row there is no stored password to match.
    auto stranger = client();
    EXPECT_EQ(ChangePassword(*stranger, "NewPass2", "Another33", "Another33"), ChangePasswordOutcome::OldWrong);
}

// Both racers pass the lookups before either inserts often enough; the unique keys must keep one row.
TEST_F(AccountFlow, RacingRegistrationsLeaveOneRow) {
    for (int round = 0; round < 4; ++round) {
        const std::string name = "raceName0" + std::to_string(round);
        auto one = client();
        auto two = client();
        RegisterOutcome outcomes[2];
        std::barrier start(2);
        auto racer = [&](AppState& app, int slot, const std::string& email) {
            start.arrive_and_wait();
            outcomes[slot] = Register(app, name, "Pass1234", email);
        };
        std::thread a(racer, std::ref(*one), 0, "race" + std::to_string(round) + "a@example.com");
        std::thread b(racer, std::ref(*two), 1, "race" + std::to_string(round) + "b@example.com");
        a.join();
        b.join();
        const int wins = (outcomes[0] == RegisterOutcome::Success) + (outcomes[1] == RegisterOutcome::Success);
        EXPECT_EQ(wins, 1) << name;
        for (RegisterOutcome o : outcomes)
            EXPECT_TRUE(o == RegisterOutcome::Success || o == RegisterOutcome::Failed ||
                        o == RegisterOutcome::AccountExists)
                << static_cast<int>(o);
        EXPECT_EQ(RowCount(QueryGateway(one->gateway, accounts::AccountExistsQuery(name))), 1) << name;
    }
    // The same for one address raced under two names.
    auto one = client();
    auto two = client();
    RegisterOutcome outcomes[2];
    std::barrier start(2);
    std::thread a([&] { start.arrive_and_wait(); outcomes[0] = Register(*one, "raceMailA1", "Pass1234", "racemail@example.com"); });
    std::thread b([&] { start.arrive_and_wait(); outcomes[1] = Register(*two, "raceMailB1", "Pass1234", "racemail@example.com"); });
    a.join();
    b.join();
    EXPECT_EQ((outcomes[0] == RegisterOutcome::Success) + (outcomes[1] == RegisterOutcome::Success), 1);
    EXPECT_EQ(RowCount(QueryGateway(one->gateway, accounts::EmailExistsQuery("racemail@example.com"))), 1);
}

// taoke-cli drives the same logic; it prints what the window would show and exits 0 only on success.
class AccountCli : public AccountFlow {
protected:
    struct Run { int code; std::string out; };
    static Run cli(QStringList args, std::string gateway = s_gateway->baseUrl()) {
        QProcess p;
        args.prepend("account");
        args << "--gateway" << QString::fromStdString(gateway);
        p.start(QString::fromStdString(test::cliBinary()), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).trimmed().toStdString()};
    }
};

TEST_F(AccountCli, WholeLifeOfAnAccount) {
    ASSERT_FALSE(test::cliBinary().empty());
    struct Step { QStringList args; int code; std::string out; };
    const std::vector<Step> steps = {
        {{"register", "--account", "cliUser01", "--password", "Pass1234", "--email", "cli01@example.com"}, 0,
         "注册成功，赶快登录呦！"},
        {{"register", "--account", "cliUser01", "--password", "Pass1234", "--email", "cli02@example.com"}, 1,
         "改帐号已存在,请更换帐号！"},
        {{"register", "--account", "cli用户0001", "--password", "Pass1234", "--email", "cli03@example.com"}, 1,
         "注册账户中不能包含汉字、字符或空格！"},
        {{"register", "--account", "cliUser02", "--password", "Pass1234"}, 1, "请填写绑定账号的邮箱！"},
        {{"login", "--account", "cliUser01", "--password", "wrong123"}, 1, "你输入的账号或密码不正确！"},
        {{"recover", "--account", "cliUser01", "--email", "CLI01@example.com"}, 1, "账号或邮箱输入不正确！"},
        {{"recover", "--account", "cliUser01", "--email", "cli01@example.com"}, 0,
         "你的登录密码为[Pass1234]，赶快登录呦！"},
        {{"passwd", "--account", "cliUser01", "--password", "Pass1234", "--old", "Pass1234", "--new", "Next5678",
          "--confirm", "Next5678"},
         0, "密码修改成功，请牢记你的新密码！"},
        {{"login", "--account", "cliUser01", "--password", "Pass1234"}, 1, "你输入的账号或密码不正确！"},
    };
    for (const Step& s : steps) {
        const Run r = cli(s.args);
        EXPECT_EQ(r.code, s.code) << s.args.join(' ').toStdString();
        EXPECT_EQ(r.out, s.out) << s.args.join(' ').toStdString();
    }

    const Run in = cli({"login", "--account", "cliUser01", "--password", "Next5678"});
    ASSERT_EQ(in.code, 0);
    EXPECT_TRUE(isOnlineKey(in.out)) << in.out;
    auto app = client();
    ASSERT_EQ(VerifyAccount(*app, "cliUser01", "Next5678"), LogInOutcome::Success);
    EXPECT_EQ(CellText(row(app->currentUserId), kColOnlineKey, 1), in.out);

    // Logging out leaves the key in place, so a client holding it is not told it was logged in elsewhere.
    EXPECT_EQ(cli({"logout", "--account", "cliUser01", "--password", "Next5678"}).code, 0);
    EXPECT_EQ(CellText(row(app->currentUserId), kColOnlineKey, 1), in.out);

    // The base address is taken in its one form, trailing "/" included, as by every subcommand.
    std::string bare = s_gateway->baseUrl();
    bare.pop_back();
    EXPECT_EQ(cli({"recover", "--account", "cliUser01", "--email", "cli01@example.com"}, bare).code, 2);
    const Run down = cli({"login", "--account", "cliUser01", "--password", "Next5678"}, "http://127.0.0.1:1/");
    EXPECT_EQ(down.code, 1);
    EXPECT_EQ(down.out, "连接服务器失败，请稍后重试");

    EXPECT_EQ(cli({"frobnicate"}).code, 2);
    EXPECT_EQ(cli({"login", "--account"}).code, 2);
}
