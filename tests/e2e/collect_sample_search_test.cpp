#include "app/app_state.h"
#include "collect/collection.h"
#include "collect/export.h"
#include "collect/fetch_url.h"
#include "gateway/gateway_client.h"
#include "support/gateway_fixture.h"
#include "support/paths.h"
#include "support/server_process.h"
#include "text/encoding.h"
#include "text/numbers.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace tk;

namespace {

struct RowSink : ProductSink {
    std::vector<ProductRecord> rows;
    void clear() override { rows.clear(); }
    int rowCount() const override { return static_cast<int>(rows.size()); }
    void addProduct(const ProductRecord& row) override { rows.push_back(row); }
};

class SampleSearch {
public:
    bool start(const QStringList& flags = {}) {
        return m_proc.start(tk::test::sampleSearchBinary(), QStringList{"--listen", "127.0.0.1:0"} + flags);
    }
    std::string host() const { return m_proc.hostPort(); }
    std::string error() const { return m_proc.error(); }

private:
    tk::test::ServerProcess m_proc;
};

std::vector<ProductRecord> collect(const std::string& host, const SearchConditions& conditions) {
    CollectRequest request;
    request.searchHost = host;
    request.conditions = conditions;
    RowSink sink;
    JsonDocument doc;
    CollectProducts(request, sink, doc);
    return sink.rows;
}

// The products of one page read with Qt's own JSON reader: an oracle independent of the script engine.
QJsonArray pageList(const std::string& host, const SearchConditions& conditions, int page) {
    std::string body = FetchUrl(SearchUrl(host, conditions, page));
    return QJsonDocument::fromJson(QByteArray::fromStdString(body)).object()["data"].toObject()["pageList"].toArray();
}

std::string plainTitle(const QJsonObject& p) {
    static const QRegularExpression tags("</?span( class=h)?>", QRegularExpression::CaseInsensitiveOption);
    return ToGbk(p["title"].toString().remove(tags));
}

std::string readAll(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return "\x01unreadable";
    return f.readAll().toStdString();
}

SearchConditions pages(const char* keyword, const char* last) {
    SearchConditions c;
    c.keyword = Gbk(keyword);
    c.lastPage = Gbk(last);
    return c;
}

} // namespace

TEST(CollectAgainstSampleSearch, ThreePagesNumberedAcrossPages) {
    SampleSearch server;
    ASSERT_TRUE(server.start()) << server.error();
    SearchConditions conditions = pages("T恤 男", "3页");
    std::vector<ProductRecord> rows = collect(server.host(), conditions);

    std::vector<QJsonObject> expected;
    for (int p = 1; p <= 3; ++p)
        for (const auto& v : pageList(server.host(), conditions, p)) expected.push_back(v.toObject());
    ASSERT_GT(expected.size(), 100u) << "the catalogue should fill three pages for this keyword";
    ASSERT_EQ(rows.size(), expected.size());
    bool sawNoNick = false, sawTags = false;
    for (size_t i = 0; i < rows.size(); ++i) {
        const ProductRecord& r = rows[i];
        const QJsonObject& p = expected[i];
        EXPECT_EQ(r[ColNumber], std::to_string(i + 1));
        EXPECT_EQ(r[ColTitle], plainTitle(p)) << i;
        EXPECT_EQ(r[ColItemId], QString::number(p["auctionId"].toDouble(), 'f', 0).toStdString()) << i;
        EXPECT_EQ(r[ColItemId].size(), 12u);
        EXPECT_EQ(r[ColLink], p["auctionUrl"].toString().toStdString());
        EXPECT_EQ(TextToNumber(r[ColPrice]), p["zkPrice"].toDouble()) << r[ColPrice];
        EXPECT_EQ(r[ColNick], ToGbk(p["nick"].toString())) << i;
        if (!p.contains("nick")) sawNoNick = true;
        if (p["title"].toString().contains("<SPAN")) sawTags = true;
    }
    EXPECT_TRUE(sawNoNick);
    EXPECT_TRUE(sawTags);
}

TEST(CollectAgainstSampleSearch, AFailedPageAddsNoRowsAndTheRunGoesOn) {
    for (const char* flag : {"--error-page", "--bad-json-page"}) {
        SampleSearch server;
        ASSERT_TRUE(server.start({flag, "2"})) << server.error();
        SearchConditions conditions = pages("", "3");
        std::vector<ProductRecord> rows = collect(server.host(), conditions);
        QJsonArray third = pageList(server.host(), conditions, 3);
        ASSERT_EQ(rows.size(), 100u) << flag;
        EXPECT_EQ(rows[50][ColNumber], "51");
        EXPECT_EQ(rows[50][ColItemId], QString::number(third[0].toObject()["auctionId"].toDouble(), 'f', 0).toStdString())
            << flag;
    }
}

TEST(CollectAgainstSampleSearch, ZeroByteEndsTheBodyAndNologinGivesNothing) {
    {
        SampleSearch server;
        ASSERT_TRUE(server.start({"--zero-byte-page", "1"})) << server.error();
        EXPECT_EQ(collect(server.host(), pages("", "1")).size(), 50u);
    }
    {
        SampleSearch server;
        ASSERT_TRUE(server.start({"--nologin"})) << server.error();
        EXPECT_EQ(collect(server.host(), pages("", "2")).size(), 0u);
    }
}

TEST(CollectAgainstSampleSearch, DeadHostEndsThePageWithoutRows) {
    int port;
    {
        SampleSearch server;
        ASSERT_TRUE(server.start()) << server.error();
        port = std::stoi(server.host().substr(server.host().find(':') + 1));
    }
    EXPECT_EQ(collect("127.0.0.1:" + std::to_string(port), pages("", "2")).size(), 0u);
}

class CollectCommand : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(search.start()) << search.error(); }

    int run(const QStringList& args, std::string* out = nullptr) {
        QProcess p;
        p.start(QString::fromStdString(tk::test::cliBinary()), QStringList{"collect"} + args);
        if (!p.waitForFinished(60000)) return -1;
        if (out) *out = p.readAllStandardOutput().toStdString();
        return p.exitCode();
    }

    SampleSearch search;
};

TEST_F(CollectCommand, WritesTheTickedColumnsAsGbk) {
    const std::string file = tk::test::tempPath("cli.txt");
    std::string out;
    ASSERT_EQ(run({"--no-login", "--search-host", QString::fromStdString(search.host()), "--keyword", "复古 帆布鞋",
                   "--price-from", "100", "--pages", "2", "--columns", "id,title,nick", "-o",
                   QString::fromStdString(file)},
                  &out),
              0)
        << out;
    SearchConditions conditions = pages("复古 帆布鞋", "2");
    conditions.priceFrom = "100";
    std::string expected;
    int count = 0;
    for (int p = 1; p <= 2; ++p)
        for (const auto& v : pageList(search.host(), conditions, p)) {
            QJsonObject o = v.toObject();
            expected += plainTitle(o) + "\t" + ToGbk(o["nick"].toString()) + "\t" +
                        QString::number(o["auctionId"].toDouble(), 'f', 0).toStdString() + "\r\n";
            ++count;
        }
    ASSERT_GT(count, 0);
    EXPECT_EQ(readAll(file), expected);
    EXPECT_NE(out.find("共采集到  " + std::to_string(count) + "  个商品"), std::string::npos) << out;
    EXPECT_NE(out.find("保存成功！"), std::string::npos);
}

TEST_F(CollectCommand, UnwritableFileIsAFailure) {
    const std::string file = tk::test::tempPath("missing-dir") + "/out.txt";
    std::string out;
    EXPECT_EQ(run({"--no-login", "--search-host", QString::fromStdString(search.host()), "--pages", "1", "--columns",
                   "link", "-o", QString::fromStdString(file)},
                  &out),
              1);
    EXPECT_EQ(out.find("保存成功！"), std::string::npos) << out;
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(file)));
}

TEST_F(CollectCommand, LogsInThroughTheGateway) {
    tk::test::GatewayFixture gateway;
    ASSERT_TRUE(gateway.start()) << gateway.error();
    AppState app;
    GatewayDescriptor g = ConnectGateway(app, gateway.baseUrl(), "link.asp", "q,k,z,b,x,l,p,u,f,j,c", 1, 1);
    ASSERT_EQ(g.connected, 1);
    ASSERT_EQ(ExecuteGateway(g, "INSERT INTO users (`username`,`password`,`email`,`ip`,`zctime`) VALUES "
                                "('collector','secret1','c@example.com','127.0.0.1','2026-12-11 12:00:00')"),
              1);
    const QStringList common = {"--gateway", QString::fromStdString(gateway.baseUrl()), "--search-host",
                                QString::fromStdString(search.host()), "--pages", "1", "--columns", "title,price"};
    const std::string file = tk::test::tempPath("login.txt");
    EXPECT_EQ(run(QStringList{"--account", "collector", "--password", "secret1", "-o", QString::fromStdString(file)} +
                  common),
              0);
    const std::string written = readAll(file);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 50);

    const std::string refused = tk::test::tempPath("refused.txt");
    EXPECT_EQ(run(QStringList{"--account", "collector", "--password", "wrong", "-o", QString::fromStdString(refused)} +
                  common),
              1);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(refused)));
}
