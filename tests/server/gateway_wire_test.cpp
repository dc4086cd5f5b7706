// taoke-gateway spoken to over loopback HTTP, the way the client speaks to it.
#include "gateway/codec.h"
#include "gateway/result_table.h"
#include "support/gateway_fixture.h"
#include "text/encoding.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <QString>
#include <atomic>
#include <thread>

using namespace tk;
using tk::test::GatewayFixture;

namespace {

const std::vector<std::string> kSymbols = SplitSymbolList("q,k,z,b,x,l,p,u,f,j,c");
const std::string kInsert = "INSERT INTO users (`username`,`password`,`email`,`ip`,`zctime`) VALUES ('";

std::string insertSql(const std::string& name, const std::string& password, const std::string& email) {
    return kInsert + name + "','" + password + "','" + email + "','127.0.0.1','1700000000')";
}
std::string loginSql(const std::string& name, const std::string& password) {
    return "select * from users where username='" + name + "' and password='" + password + "'";
}

// The client's side of the wire in a few lines; stamp set = a client in clock mode.
class Wire {
public:
    explicit Wire(int port) : m_http("127.0.0.1", port) {
        m_http.set_connection_timeout(10);
        m_http.set_read_timeout(30);
    }
    std::optional<int64_t> stamp;
    std::vector<std::string> symbols = kSymbols;

    int lastStatus = 0;
    std::string post(const std::string& body) {
        auto res = m_http.Post("/link.asp", body, "application/x-www-form-urlencoded");
        lastStatus = res ? res->status : 0;
        return res ? res->body : std::string("<no answer>");
    }
    std::string get(const std::string& path) {
        auto res = m_http.Get(path.c_str());
        lastStatus = res ? res->status : 0;
        return res ? res->body : std::string("<no answer>");
    }
    std::string scrambled(std::string_view sql) { return Scramble(SymbolEncode(sql, symbols), stamp); }
    std::string plainQuery(std::string_view sql) {
        return Unscramble(post("C=2&post=" + scrambled(sql)), stamp.has_value());
    }
    ResultTable query(std::string_view sql) { return ShapeAnswer(plainQuery(sql)); }
    std::string execute(std::string_view sql) { return post("C=1&post=" + scrambled(sql)); }

private:
    httplib::Client m_http;
};

class GatewayWire : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(gw.start()) << gw.error(); }
    std::string adminOut(const QStringList& args) {
        std::string out;
        EXPECT_TRUE(gw.admin(args, &out)) << gw.error();
        return out;
    }
    std::string usersList() { return adminOut({"users", "list"}); }

    GatewayFixture gw;
};

} // namespace

TEST_F(GatewayWire, ProbeIpAndClock) {
    Wire w(gw.port());
    EXPECT_EQ(w.get("/"), "ok");
    EXPECT_EQ(w.get("/link.asp?C=4"), "127.0.0.1");
    const std::string clock = w.get("/link.asp?C=3");
    ASSERT_FALSE(clock.empty());
    EXPECT_EQ(clock.find_first_not_of("0123456789"), std::string::npos) << clock;
    EXPECT_GT(std::stoll(clock), 1600000000LL);
    EXPECT_EQ(w.get("/link.asp?C=5"), "-1");
    EXPECT_EQ(w.get("/link.asp"), "-1");
    EXPECT_EQ(w.get("/other.asp?C=4"), "-1");
}

TEST(GatewayOptions, FixedClockAndOwnSymbolList) {
    GatewayFixture gw;
    ASSERT_TRUE(gw.start({"--fixed-clock", "0", "--symbols", "a,b,c,d,e,f,g,h,i,j,k"})) << gw.error();
    Wire w(gw.port());
    EXPECT_EQ(w.get("/link.asp?C=3"), "0");
    // The built-in list is now the wrong one.
    EXPECT_TRUE(w.query("select top 1 * from Setup").empty());
    w.symbols = SplitSymbolList("a,b,c,d,e,f,g,h,i,j,k");
    EXPECT_EQ(RowCount(w.query("select top 1 * from Setup")), 1);
}

TEST_F(GatewayWire, SetupRowWithAndWithoutClockStamp) {
    Wire w(gw.port());
    ResultTable t = w.query("select top 1 * from Setup");
    ASSERT_EQ(RowCount(t), 1);
    EXPECT_EQ(t.cols, 8);
    EXPECT_EQ(CellText(t, 4, 1), "1.001");
    EXPECT_EQ(CellText(t, 6, 1), "");
    EXPECT_EQ(CellText(t, 7, 1), "0");
    EXPECT_EQ(CellText(t, 8, 1), Gbk("欢迎使用青禾淘客，祝您采集愉快！"));
    EXPECT_EQ(CellText(t, 4, 0), "version");
    const std::string plain = w.plainQuery("select top 1 * from Setup");
    EXPECT_EQ(plain.substr(plain.size() - 6), Gbk("愉快！")); // no trailer without a stamp

    w.stamp = 1700000000;
    t = w.query("select top 1 * from Setup");
    ASSERT_EQ(RowCount(t), 1);
    EXPECT_EQ(CellText(t, 8, 1), Gbk("欢迎使用青禾淘客，祝您采集愉快！"));
    // Read without clock mode, the trailer shows: ten digits after the rows.
    std::string raw = Unscramble(w.post("C=2&post=" + w.scrambled("select top 1 * from Setup")), false);
    ASSERT_GT(raw.size(), 10u);
    EXPECT_EQ(raw.substr(0, raw.size() - 10), plain);
    EXPECT_EQ(raw.substr(raw.size() - 10).find_first_not_of("0123456789"), std::string::npos);
}

TEST_F(GatewayWire, RegisterLogInAndLetterCase) {
    Wire w(gw.port());
    w.stamp = 1700000000;
    EXPECT_EQ(RowCount(w.query("select * from users where username='abcdefgh'")), 0);
    EXPECT_EQ(RowCount(w.query("select * from users where email='me@qinghe.cn'")), 0);
    EXPECT_EQ(w.execute(insertSql("abcdefgh", "Passw0rd", "Me@qinghe.cn")), "0");

    ResultTable t = w.query(loginSql("abcdefgh", "Passw0rd"));
    ASSERT_EQ(RowCount(t), 1);
    EXPECT_EQ(t.cols, 12);
    EXPECT_EQ(CellText(t, 1, 1), "1");
    EXPECT_EQ(CellText(t, 2, 1), "abcdefgh");
    EXPECT_EQ(CellText(t, 3, 1), "Passw0rd");
    EXPECT_EQ(CellText(t, 4, 1), "Me@qinghe.cn");
    EXPECT_EQ(CellText(t, 5, 1), "127.0.0.1");
    EXPECT_EQ(CellText(t, 9, 1), "0"); // never frozen
    EXPECT_EQ(CellText(t, 10, 1), "");
    EXPECT_EQ(CellText(t, 11, 0), "zctime");
    EXPECT_EQ(CellText(t, 11, 1), "1700000000");

    // The database matches without regard to letter case; the client re-checks byte for byte.
    for (const std::string& sql :
         {loginSql("ABCDEFGH", "Passw0rd"), loginSql("abcdefgh", "PASSW0RD"),
          std::string("select * from users where username='AbCdEfGh'"),
          std::string("select * from users where email='me@QINGHE.cn'"),
          std::string("select * from users where username='ABCDEFGH' and email='ME@qinghe.CN'")}) {
        ResultTable m = w.query(sql);
        ASSERT_EQ(RowCount(m), 1) << sql;
        EXPECT_EQ(CellText(m, 2, 1), "abcdefgh") << sql;
    }
    EXPECT_EQ(RowCount(w.query(loginSql("abcdefgh", "wrong"))), 0);
    EXPECT_EQ(RowCount(w.query("select * from users where username='abcdefgh' and email='other@x.cn'")), 0);

    // Taken names and e-mail addresses, in any letter case.
    EXPECT_EQ(w.execute(insertSql("abcdefgh", "x1234567", "other@x.cn")), "1");
    EXPECT_EQ(w.execute(insertSql("ABCDEFGH", "x1234567", "other@x.cn")), "1");
    EXPECT_EQ(w.execute(insertSql("zyxwvuts", "x1234567", "ME@QINGHE.CN")), "1");
    EXPECT_EQ(w.execute(insertSql("zyxwvuts", "x1234567", "other@x.cn")), "0");
    EXPECT_EQ(RowCount(w.query("select * from users where id=2")), 1);
}

TEST_F(GatewayWire, OnlineStateAndPasswordUpdates) {
    Wire w(gw.port());
    ASSERT_EQ(w.execute(insertSql("abcdefgh", "Passw0rd", "me@qinghe.cn")), "0");
    const std::string key(50, 'K');
    EXPECT_EQ(w.execute("update  users set `ip`='10.0.0.7',`zx`=1,`zxkey`='" + key + "' where id=1"), "0");
    ResultTable t = w.query("select * from users where id=1");
    ASSERT_EQ(RowCount(t), 1);
    EXPECT_EQ(CellText(t, 5, 1), "10.0.0.7");
    EXPECT_EQ(CellText(t, 10, 1), key);
    EXPECT_EQ(CellText(t, 12, 1), "1");

    EXPECT_EQ(w.execute("update  users set `zx`=0  where id=1"), "0");
    t = w.query("select * from users where id=1");
    EXPECT_EQ(CellText(t, 12, 1), "0");
    EXPECT_EQ(CellText(t, 10, 1), key); // the key stays

    EXPECT_EQ(w.execute("update  users set `password`='NewPass9'  where id=1"), "0");
    EXPECT_EQ(RowCount(w.query(loginSql("abcdefgh", "Passw0rd"))), 0);
    EXPECT_EQ(RowCount(w.query(loginSql("abcdefgh", "NewPass9"))), 1);

    // No such row: the statement ran, it just met nothing.
    EXPECT_EQ(w.execute("update  users set `zx`=0  where id=99"), "0");
    EXPECT_EQ(RowCount(w.query("select * from users where id=99")), 0);
}

TEST_F(GatewayWire, StatementsOutsideTheListChangeNothing) {
    Wire w(gw.port());
    ASSERT_EQ(w.execute(insertSql("abcdefgh", "Passw0rd", "me@qinghe.cn")), "0");
    const std::string before = usersList();
    const std::vector<std::string> refused = {
        "drop table users",
        "select * from users",
        "delete from users",
        "select * from users where id=1; drop table users",
        "select top 1 * from Setup; delete from users",
        "select * from users where username='a' or username like '%'",
        "update users set `zx`=0  where id=1",
        "update  users set `zx`=0 where id=1",
        "update  users set `password`='hacked' where id=1",
        "update  users set `password`='hacked'  where id=1 or 1=1",
        "update  users set `ip`='x',`zx`=1,`zxkey`='y'  where id=1",
        "update  users set `frozen`='1'  where id=1",
        "INSERT INTO users (username,password,email,ip,zctime) VALUES ('a','b','c','d','e')",
        "",
    };
    for (const std::string& sql : refused) {
        EXPECT_TRUE(w.query(sql).empty()) << sql;
        EXPECT_EQ(w.execute(sql), "1") << sql;
    }
    // A select sent as an execute, and a write sent as a query, are refused as well.
    EXPECT_EQ(w.execute("select * from users where id=1"), "1");
    EXPECT_TRUE(w.query("update  users set `password`='hacked'  where id=1").empty());
    EXPECT_EQ(usersList(), before);
    EXPECT_EQ(RowCount(w.query(loginSql("abcdefgh", "Passw0rd"))), 1);
}

TEST_F(GatewayWire, BadBodiesAreRefused) {
    Wire w(gw.port());
    ASSERT_EQ(w.execute(insertSql("abcdefgh", "Passw0rd", "me@qinghe.cn")), "0");
    const std::string before = usersList();
    const std::string good = w.scrambled("update  users set `password`='hacked'  where id=1");

    struct Case {
        std::string body;
        std::string answer; // plain answer, "" = a scrambled "-1"
    };
    const std::vector<Case> cases = {
        {"C=1&post=", "1"},
        {"C=1&post=not-hex-at-all", "1"},
        {"C=1&post=" + good.substr(0, good.size() - 7), "1"},
        {"C=1&post=" + good + "AB", "1"},
        {"C=1", "1"},
        {"post=" + good, "-1"},
        {"C=9&post=" + good, "-1"},
        {"", "-1"},
        {"C=2&post=", ""},
        {"C=2&post=xyz", ""},
        {"C=2&post=" + good.substr(0, 20), ""},
    };
    for (const Case& c : cases) {
        std::string answer = w.post(c.body);
        if (c.answer.empty())
            EXPECT_EQ(Unscramble(answer, false), "-1") << c.body;
        else
            EXPECT_EQ(answer, c.answer) << c.body;
    }
    // A value that is not GBK.
    EXPECT_EQ(w.execute("update  users set `password`='bad\xFF\xFF'  where id=1"), "1");
    EXPECT_TRUE(w.query("select * from users where username='\xC7'").empty());
    // Control characters and separators never go in.
    EXPECT_EQ(w.execute("update  users set `password`='a\x01z'  where id=1"), "1");
    EXPECT_EQ(w.execute("update  users set `password`='a[xW|Row]z'  where id=1"), "1");

    // A body above the cap.
    std::string huge = "C=1&post=" + std::string(2 << 20, 'A');
    EXPECT_EQ(w.post(huge), "-1");
    EXPECT_EQ(w.lastStatus, 413);

    EXPECT_EQ(usersList(), before);
    EXPECT_EQ(w.get("/link.asp?C=4"), "127.0.0.1"); // still serving
}

TEST_F(GatewayWire, DoubleByteTextsTravelAsGbkAndRestAsUtf8) {
    Wire w(gw.port());
    const std::string name = Gbk("青禾用户一号");
    ASSERT_EQ(w.execute(insertSql(name, "Passw0rd", Gbk("邮箱@青禾.cn"))), "0");
    ResultTable t = w.query("select * from users where username='" + name + "'");
    ASSERT_EQ(RowCount(t), 1);
    EXPECT_EQ(CellText(t, 2, 1), name);
    EXPECT_EQ(CellText(t, 4, 1), Gbk("邮箱@青禾.cn"));
    EXPECT_NE(usersList().find("青禾用户一号\tPassw0rd\t邮箱@青禾.cn"), std::string::npos);
}

// A cell whose bytes would make the answer hold its own key, whatever key is drawn.
TEST_F(GatewayWire, CellThatWouldCarryTheKeyStillArrives) {
    Wire w(gw.port());
    ASSERT_EQ(w.execute(insertSql("abcdefgh", "Passw0rd", "me@qinghe.cn")), "0");
    const std::string gbk("\xCA\xBC\xDE\xF0\x12\x34\x56\x78\x9A\x40", 10);
    const std::string utf8 = GbkToUtf8("\xCA\xBC\xDE\xF0") + "\x12" + "4Vx" + GbkToUtf8("\x9A\x40");
    ASSERT_TRUE(gw.admin({"users", "set", "abcdefgh", "spare1", QString::fromUtf8(utf8)})) << gw.error();
    for (std::optional<int64_t> stamp : {std::optional<int64_t>{}, std::optional<int64_t>{1700000000}}) {
        w.stamp = stamp;
        ResultTable t = w.query("select * from users where username='abcdefgh'");
        ASSERT_EQ(RowCount(t), 1);
        EXPECT_EQ(CellText(t, 6, 1), "\xCA\xBC\xDE\xF0?4Vx\x9A\x40");
        EXPECT_EQ(CellText(t, 7, 1), "");
        EXPECT_EQ(CellText(t, 12, 1), "0");
    }
}

TEST_F(GatewayWire, AdminCommandsShowThroughTheWire) {
    Wire w(gw.port());
    ASSERT_TRUE(gw.admin({"setup", "set", "--version", "1.002", "--download-url", "http://127.0.0.1:8090/new.exe",
                          "--notice-switch", "1", "--notice-text", "新版本已发布"}))
        << gw.error();
    ResultTable t = w.query("select top 1 * from Setup");
    ASSERT_EQ(RowCount(t), 1);
    EXPECT_EQ(CellText(t, 4, 1), "1.002");
    EXPECT_EQ(CellText(t, 6, 1), "http://127.0.0.1:8090/new.exe");
    EXPECT_EQ(CellText(t, 7, 1), "1");
    EXPECT_EQ(CellText(t, 8, 1), Gbk("新版本已发布"));
    const std::string shown = adminOut({"setup", "show"});
    EXPECT_NE(shown.find("version\t1.002\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("notice\t新版本已发布\n"), std::string::npos) << shown;

    ASSERT_TRUE(gw.admin({"setup", "set", "--version", ""}));
    EXPECT_EQ(CellText(w.query("select top 1 * from Setup"), 4, 1), "");
    ASSERT_TRUE(gw.admin({"setup", "clear"}));
    EXPECT_EQ(RowCount(w.query("select top 1 * from Setup")), 0);
    ASSERT_TRUE(gw.admin({"setup", "set", "--version", "1.001"}));
    {
        ResultTable again = w.query("select top 1 * from Setup");
        EXPECT_EQ(RowCount(again), 1);
        EXPECT_EQ(CellText(again, 4, 1), "1.001") << CellText(again, 4, 0) << " " << adminOut({"setup", "show"});
    }

    ASSERT_EQ(w.execute(insertSql("abcdefgh", "Passw0rd", "me@qinghe.cn")), "0");
    const std::string byName = "select * from users where username='abcdefgh'";
    ASSERT_TRUE(gw.admin({"users", "freeze", "abcdefgh"}));
    EXPECT_EQ(CellText(w.query(byName), 9, 1), "1");
    ASSERT_TRUE(gw.admin({"users", "unfreeze", "ABCDEFGH"}));
    EXPECT_EQ(CellText(w.query(byName), 9, 1), "0");
    for (const char* frozen : {"1.0", " 1", "yes", ""}) {
        ASSERT_TRUE(gw.admin({"users", "set", "abcdefgh", "frozen", frozen}));
        EXPECT_EQ(CellText(w.query(byName), 9, 1), frozen);
    }
    ASSERT_EQ(w.execute("update  users set `ip`='1.2.3.4',`zx`=1,`zxkey`='KEY' where id=1"), "0");
    ASSERT_TRUE(gw.admin({"users", "set", "abcdefgh", "zxkey", ""}));
    EXPECT_EQ(CellText(w.query(byName), 10, 1), "");

    EXPECT_FALSE(gw.admin({"users", "freeze", "nobody99"}));
    EXPECT_FALSE(gw.admin({"users", "set", "abcdefgh", "id", "7"}));
    EXPECT_FALSE(gw.admin({"setup", "bogus"}));
    ASSERT_TRUE(gw.admin({"users", "add", "second01", "Passw0rd", "two@qinghe.cn"}));
    EXPECT_EQ(RowCount(w.query(loginSql("second01", "Passw0rd"))), 1);
    EXPECT_FALSE(gw.admin({"users", "add", "SECOND01", "Passw0rd", "three@qinghe.cn"}));
}

TEST_F(GatewayWire, ConcurrentClients) {
    ASSERT_EQ(Wire(gw.port()).execute(insertSql("abcdefgh", "Passw0rd", "me@qinghe.cn")), "0");
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&, i] {
            Wire w(gw.port());
            w.stamp = 1700000000 + i;
            for (int n = 0; n < 25; ++n) {
                ResultTable t = w.query(loginSql("abcdefgh", "Passw0rd"));
                std::string e = w.execute("update  users set `zx`=0  where id=1");
                if (RowCount(t) == 1 && CellText(t, 2, 1) == "abcdefgh" && e == "0") ++good;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(good.load(), 100);
}

TEST(GatewayDatabase, KeptAcrossRestartsAndCreatedByAdmin) {
    GatewayFixture gw;
    // Admin commands on a new file create it with its schema.
    ASSERT_TRUE(gw.admin({"users", "add", "abcdefgh", "Passw0rd", "me@qinghe.cn"})) << gw.error();
    ASSERT_TRUE(gw.start()) << gw.error();
    Wire w(gw.port());
    EXPECT_EQ(RowCount(w.query(loginSql("abcdefgh", "Passw0rd"))), 1);
    EXPECT_EQ(CellText(w.query("select top 1 * from Setup"), 4, 1), "1.001");
    gw.stop();
    ASSERT_TRUE(gw.start()) << gw.error();
    Wire w2(gw.port());
    EXPECT_EQ(RowCount(w2.query(loginSql("abcdefgh", "Passw0rd"))), 1);
}
