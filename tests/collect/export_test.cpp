#include "collect/export.h"
#include "support/server_process.h"
#include "text/encoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <unistd.h>

using namespace tk;

namespace {

ProductRecord row(std::initializer_list<std::string> cells) {
    ProductRecord r;
    int col = 0;
    for (const std::string& c : cells) r[col++] = c;
    return r;
}

ExportChoice choose(std::initializer_list<int> columns) {
    ExportChoice c;
    for (int col : columns) c.ticked[static_cast<size_t>(col)] = true;
    return c;
}

std::string readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "\x01unreadable";
    QByteArray b = f.readAll();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

const std::vector<ProductRecord> kRows = {
    row({"1", Gbk("纯棉T恤"), "39.9", "5.5", "2.19", "10", "200", Gbk("小店"), "520000000001", "http://i/1"}),
    row({"2", "B", "1", "2", "3", "4", "5", "", "520000000002", "http://i/2"}),
    row({"3", "C", "7", "8", "9", "", "", "n3", "520000000003", ""}),
};

} // namespace

TEST(ExportText, TickedColumnsInColumnOrder) {
    struct Case {
        ExportChoice choice;
        std::string text;
    } cases[] = {
        {choose({ColLink}), "http://i/1\r\nhttp://i/2\r\n\r\n"},
        {choose({ColItemId, ColTitle, ColNick}),
         Gbk("纯棉T恤\t小店\t520000000001\r\n") + "B\t\t520000000002\r\nC\tn3\t520000000003\r\n"},
        {choose({ColTitle, ColPrice, ColRate, ColCommission, ColPromotion, ColSales, ColNick, ColItemId, ColLink}),
         Gbk("纯棉T恤\t39.9\t5.5\t2.19\t10\t200\t小店\t520000000001\thttp://i/1\r\n") +
             "B\t1\t2\t3\t4\t5\t\t520000000002\thttp://i/2\r\nC\t7\t8\t9\t\t\tn3\t520000000003\t\r\n"},
        {choose({ColNumber, ColSales}), "200\r\n5\r\n\r\n"}, // the row number is never written
    };
    for (const Case& c : cases) EXPECT_EQ(ExportText(kRows, c.choice), c.text);
}

TEST(ExportBoxes, EachBoxExportsTheColumnItsLabelNames) {
    for (const ExportBox& box : kExportBoxes) {
        std::string label = box.label;
        std::string header = kProductColumns[static_cast<size_t>(box.column)].header;
        if (label == "推广量") EXPECT_EQ(header, "月推广量");
        else EXPECT_EQ(label, header);
    }
}

TEST(ExportProducts, ChecksInOrder) {
    const QString path = QString::fromStdString(tk::test::tempPath("checks.txt"));
    struct Case {
        size_t rows;
        bool collecting;
        ExportChoice choice;
        QString path;
        ExportOutcome outcome;
    } cases[] = {
        {0, true, choose({}), path, ExportOutcome::NoProducts},
        {3, true, choose({ColTitle}), path, ExportOutcome::Collecting},
        {3, false, choose({ColNumber}), path, ExportOutcome::NothingTicked},
        {3, false, choose({ColTitle}), QString(), ExportOutcome::NoPath},
    };
    for (const Case& c : cases) {
        std::vector<ProductRecord> rows(kRows.begin(), kRows.begin() + static_cast<long>(c.rows));
        EXPECT_EQ(ExportProducts(rows, c.collecting, c.choice, c.path), c.outcome);
    }
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(ExportMessage(ExportOutcome::Saved), Gbk("保存成功！"));
    EXPECT_EQ(ExportMessage(ExportOutcome::NoProducts), Gbk("你还未采集到商品，请先采集优惠券商品"));
}

TEST(ExportProducts, ReplacesAnExistingFile) {
    const QString path = QString::fromStdString(tk::test::tempPath("replace.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(10000, 'x'));
    }
    EXPECT_EQ(ExportProducts(kRows, false, choose({ColItemId}), path), ExportOutcome::Saved);
    EXPECT_EQ(readAll(path), "520000000001\r\n520000000002\r\n520000000003\r\n");
}

TEST(ExportProducts, FailedWriteIsReportedAndLeavesTheOldFile) {
    const std::string dir = tk::test::tempPath("export-fail");
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
    const QString missingFolder = QString::fromStdString(dir + "/no/such/folder/out.txt");
    EXPECT_EQ(ExportProducts(kRows, false, choose({ColTitle}), missingFolder), ExportOutcome::WriteFailed);
    EXPECT_FALSE(QFileInfo::exists(missingFolder));

    const QString folderAsFile = QString::fromStdString(dir);
    EXPECT_EQ(ExportProducts(kRows, false, choose({ColTitle}), folderAsFile), ExportOutcome::WriteFailed);
    EXPECT_TRUE(QFileInfo(folderAsFile).isDir());

    EXPECT_EQ(ExportMessage(ExportOutcome::WriteFailed), Gbk(kSaveFailedMessage));
    EXPECT_NE(ExportMessage(ExportOutcome::WriteFailed), ExportMessage(ExportOutcome::Saved));
}

TEST(ExportProducts, ReadOnlyFileStaysIntact) {
    if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
    const QString path = QString::fromStdString(tk::test::tempPath("readonly.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old\r\n");
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    EXPECT_EQ(ExportProducts(kRows, false, choose({ColTitle}), path), ExportOutcome::WriteFailed);
    EXPECT_EQ(readAll(path), "old\r\n");
}
