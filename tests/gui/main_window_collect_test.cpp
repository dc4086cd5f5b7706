// The collector tab through its widgets against a real sample-search: runs, numbering, the completion
// message, what the user can do while a run waits for a page, sorting and the export to a file.
#include "collect/collection.h"
#include "collect/export.h"
#include "gui/main_window_support.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QTest>

#include <algorithm>

using namespace tk;
using namespace tk::test;

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

struct Rows : ProductSink {
    std::vector<ProductRecord> rows;
    void clear() override { rows.clear(); }
    int rowCount() const override { return static_cast<int>(rows.size()); }
    void addProduct(const ProductRecord& row) override { rows.push_back(row); }
};

// What the engine alone collects for the same conditions: the oracle for the list on screen.
std::vector<ProductRecord> Oracle(const std::string& host, const char* keyword, const char* lastPage) {
    CollectRequest request;
    request.searchHost = host;
    request.conditions.keyword = Gbk(keyword);
    request.conditions.lastPage = lastPage;
    request.pause = [](int) {};
    Rows sink;
    JsonDocument doc;
    CollectProducts(request, sink, doc);
    return sink.rows;
}

std::string ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "\x01unreadable";
    return f.readAll().toStdString();
}

void ExpectRows(const MainWindow& w, const std::vector<ProductRecord>& expected) {
    ASSERT_EQ(w.products()->count(), static_cast<int>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        const ProductRecord got = w.products()->record(static_cast<int>(i));
        ASSERT_EQ(got[ColNumber], std::to_string(i + 1));
        for (int c = ColTitle; c < kProductColumnCount; ++c) ASSERT_EQ(got[c], expected[i][c]) << i << ":" << c;
    }
}

struct MainWindowCollector : MainWindowSuite {
    AppState app;
    std::unique_ptr<MainWindow> w;
    void SetUp() override {
        PointAt(app, s_gateway->baseUrl(), searchHost());
        w = std::make_unique<MainWindow>(app);
        w->show();
        QApplication::setActiveWindow(w.get());
        QTest::mouseClick(w->超级按钮_淘客采集, Qt::LeftButton);
    }
    void TearDown() override {
        w.reset();
        MainWindowSuite::TearDown();
    }
    void setLastPage(const char* text) {
        w->编辑框10->clear();
        QTest::keyClicks(w->编辑框10, text);
    }
};

TEST_F(MainWindowCollector, AWholeRunThroughTheWidgets) {
    // Chinese arrives the way an input method hands it over: one committed string.
    w->编辑框3->setFocus();
    QInputMethodEvent typed;
    typed.setCommitString(U("T恤 男"));
    QApplication::sendEvent(w->编辑框3, &typed);
    ASSERT_EQ(w->编辑框3->text(), U("T恤 男"));
    setLastPage("3");
    const std::vector<ProductRecord> expected = Oracle(searchHost(), "T恤 男", "3");
    ASSERT_GT(expected.size(), 100u);

    // Watch the window while the run waits for its pages: events must keep flowing meanwhile.
    int busyTicks = 0;
    bool stateWrong = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!w->collecting()) return;
        ++busyTicks;
        if (w->按钮_采集->isEnabled() || w->按钮_采集->text() != U("正在采集中") || w->分组框1->isEnabled() ||
            w->分组框2->isEnabled() || !w->停止采集->isEnabled())
            stateWrong = true;
    });
    watch.start(5);
    MessageRecorder rec;
    QTest::mouseClick(w->按钮_采集, Qt::LeftButton);
    watch.stop();

    EXPECT_GT(busyTicks, 0);
    EXPECT_FALSE(stateWrong);
    ExpectRows(*w, expected);
    EXPECT_EQ(w->collectedCount(), static_cast<int>(expected.size()));
    ASSERT_EQ(rec.count(), 1u);
    EXPECT_EQ(rec.lastUtf8(), "亲，已采集完毕！  共采集到  " + std::to_string(expected.size()) + "  个商品");
    EXPECT_EQ(rec.last().icon, MessageIcon::None);
    EXPECT_EQ(rec.last().ownerName, "MainWindow");
    EXPECT_FALSE(w->collecting());
    EXPECT_TRUE(w->按钮_采集->isEnabled());
    EXPECT_EQ(w->按钮_采集->text(), U("开始采集"));
    EXPECT_TRUE(w->分组框1->isEnabled());
    EXPECT_TRUE(w->分组框2->isEnabled());
    EXPECT_FALSE(w->停止采集->isEnabled());
    EXPECT_FALSE(w->标签_采集进度->isVisible());
}

TEST_F(MainWindowCollector, AFailingPageAddsNoRowsAndTheRunGoesOn) {
    for (const char* flag : {"--error-page", "--bad-json-page"}) {
        SCOPED_TRACE(flag);
        ServerProcess failing;
        ASSERT_TRUE(StartSampleSearch(failing, {flag, "2"})) << failing.error();
        app.settings.searchHost = failing.hostPort();
        setLastPage("3");
        std::vector<ProductRecord> expected = Oracle(searchHost(), "", "3");
        ASSERT_EQ(expected.size(), 150u);
        expected.erase(expected.begin() + 50, expected.begin() + 100);
        MessageRecorder rec;
        QTest::mouseClick(w->按钮_采集, Qt::LeftButton);
        ExpectRows(*w, expected);
        ASSERT_EQ(rec.count(), 1u);
        EXPECT_EQ(rec.lastUtf8(), "亲，已采集完毕！  共采集到  100  个商品");
    }
}

TEST_F(MainWindowCollector, NoPagesStillEmptiesTheListAndReportsZero) {
    for (const char* last : {"0", "", "abc", "-2"}) {
        SCOPED_TRACE(last);
        ProductRecord old;
        old[ColNumber] = "1";
        old[ColTitle] = "left over";
        w->products()->append(old);
        setLastPage(last);
        MessageRecorder rec;
        QTest::mouseClick(w->按钮_采集, Qt::LeftButton);
        EXPECT_EQ(w->products()->count(), 0);
        ASSERT_EQ(rec.count(), 1u);
        EXPECT_EQ(rec.lastUtf8(), "亲，已采集完毕！  共采集到  0  个商品");
        EXPECT_TRUE(w->按钮_采集->isEnabled());
    }
}

TEST_F(MainWindowCollector, DuringARunTheListCanBeClearedAndTheExportIsRefused) {
    // Slow pages, so that the run spends most of its time waiting for the search service.
    ServerProcess slow;
    ASSERT_TRUE(StartSampleSearch(slow, {"--delay-ms", "400"})) << slow.error();
    app.settings.searchHost = slow.hostPort();
    setLastPage("3");
    w->选择框2->setChecked(true);
    const std::vector<ProductRecord> all = Oracle(searchHost(), "", "3");

    MessageRecorder rec;
    std::vector<std::string> duringRun;
    int phase = 0, clearedAt = -1, pageSwitches = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!w->collecting()) return;
        if (phase == 0 && w->products()->count() == 0) {
            // Nothing collected yet: the empty-list message comes before the collecting one.
            w->SaveProducts();
            duringRun.push_back(rec.lastUtf8());
            QTest::mouseClick(w->超级按钮_个人中心, Qt::LeftButton);
            pageSwitches += w->选择夹_功能->currentPage() == 0;
            QTest::mouseClick(w->超级按钮_淘客采集, Qt::LeftButton);
            pageSwitches += w->选择夹_功能->currentPage() == 1;
            phase = 1;
        } else if (phase == 1 && w->products()->count() >= 50) {
            w->SaveProducts();
            duringRun.push_back(rec.lastUtf8());
            w->采集菜单->actions()[0]->trigger(); // "保存商品" from the list's menu
            duringRun.push_back(rec.lastUtf8());
            clearedAt = w->collectedCount();
            w->采集菜单->actions()[1]->trigger(); // "清空信息"
            EXPECT_EQ(w->products()->count(), 0);
            phase = 2;
        }
    });
    watch.start(5);
    SaveFileAnswers dialog;
    QTest::mouseClick(w->按钮_采集, Qt::LeftButton);
    watch.stop();

    ASSERT_EQ(phase, 2);
    EXPECT_EQ(pageSwitches, 2);
    EXPECT_EQ(dialog.asked(), 0);
    ASSERT_EQ(duringRun.size(), 3u);
    EXPECT_EQ(duringRun[0], "你还未采集到商品，请先采集优惠券商品");
    EXPECT_EQ(duringRun[1], "优惠券商品正在采集中，请采集完以后进行保存");
    EXPECT_EQ(duringRun[2], "优惠券商品正在采集中，请采集完以后进行保存");
    // Rows after the clearing are numbered from 1 again; the count of the run goes on.
    const std::vector<ProductRecord> rest(all.begin() + clearedAt, all.end());
    ExpectRows(*w, rest);
    EXPECT_EQ(w->collectedCount(), static_cast<int>(all.size()));
    EXPECT_EQ(rec.lastUtf8(), "亲，已采集完毕！  共采集到  " + std::to_string(all.size()) + "  个商品");
}

TEST_F(MainWindowCollector, StopEndsTheRunAfterThePageBeingFetched) {
    ServerProcess slow;
    ASSERT_TRUE(StartSampleSearch(slow, {"--delay-ms", "300"})) << slow.error();
    app.settings.searchHost = slow.hostPort();
    setLastPage("10");
    QString progressSeen;
    bool stopped = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!stopped && w->collecting() && w->products()->count() > 0) {
            progressSeen = w->标签_采集进度->text();
            w->停止采集->trigger();
            stopped = true;
        }
    });
    watch.start(5);
    MessageRecorder rec;
    QTest::mouseClick(w->按钮_采集, Qt::LeftButton);
    watch.stop();
    ASSERT_TRUE(stopped);
    EXPECT_TRUE(progressSeen.startsWith(U("正在采集第 ")) && progressSeen.contains(U(" / 10 页")))
        << progressSeen.toStdString();
    const int rows = w->products()->count();
    EXPECT_GE(rows, 50);
    EXPECT_LE(rows, 100); // the page under way when the stop came may still arrive
    EXPECT_EQ(rows % 50, 0);
    EXPECT_EQ(rec.lastUtf8(), "亲，已采集完毕！  共采集到  " + std::to_string(rows) + "  个商品");
    EXPECT_TRUE(w->按钮_采集->isEnabled());
}

TEST_F(MainWindowCollector, ExportWritesTheTickedColumnsInTheOrderShown) {
    setLastPage("2");
    {
        MessageRecorder quiet;
        QTest::mouseClick(w->按钮_采集, Qt::LeftButton);
    }
    std::vector<ProductRecord> rows = Oracle(searchHost(), "", "2");
    ASSERT_EQ(w->products()->count(), static_cast<int>(rows.size()));

    MessageRecorder rec;
    SaveFileAnswers dialog;
    w->SaveProducts();
    EXPECT_EQ(rec.lastUtf8(), "请选择需要保存的项目");
    EXPECT_EQ(dialog.asked(), 0);

    // Each box exports the column its label names.
    w->选择框2->setChecked(true);  // 标题
    w->选择框6->setChecked(true);  // 月销量
    w->选择框7->setChecked(true);  // 推广量
    w->选择框10->setChecked(true); // 商品链接
    ExportChoice choice;
    for (int c : {ColTitle, ColSales, ColPromotion, ColLink}) choice.ticked[static_cast<size_t>(c)] = true;

    w->SaveProducts(); // the dialog is cancelled
    EXPECT_EQ(rec.lastUtf8(), "没有选择保存路径，保存失败！");
    EXPECT_EQ(rec.last().icon, MessageIcon::None);

    const QString before = QDir::currentPath();
    const QString path = QString::fromStdString(tempPath("products.txt"));
    dialog.push(path);
    QTest::mouseClick(w->按钮_保存, Qt::LeftButton);
    EXPECT_EQ(rec.lastUtf8(), "保存成功！");
    EXPECT_EQ(ReadFile(path), ExportText(rows, choice));
    EXPECT_EQ(QDir::currentPath(), before);
    EXPECT_TRUE(w->按钮_保存->isEnabled());

    // Sorted by price from the header: numbers order as numbers, and the file follows the list.
    QTest::mouseClick(w->商品列表框->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(w->商品列表框->horizontalHeader()->sectionViewportPosition(ColPrice) + 20, 10));
    ASSERT_EQ(w->products()->sortedColumn(), ColPrice);
    std::stable_sort(rows.begin(), rows.end(), [](const ProductRecord& a, const ProductRecord& b) {
        return std::stod(a[ColPrice]) < std::stod(b[ColPrice]);
    });
    if (w->商品列表框->horizontalHeader()->sortIndicatorOrder() == Qt::DescendingOrder)
        std::stable_sort(rows.begin(), rows.end(), [](const ProductRecord& a, const ProductRecord& b) {
            return std::stod(a[ColPrice]) > std::stod(b[ColPrice]);
        });
    dialog.push(path); // an existing file is replaced
    w->采集菜单->actions()[0]->trigger();
    EXPECT_EQ(rec.lastUtf8(), "保存成功！");
    EXPECT_EQ(ReadFile(path), ExportText(rows, choice));

    dialog.push(QString::fromStdString(tempPath("no-such-folder")) + "/products.txt");
    w->SaveProducts();
    EXPECT_EQ(rec.lastUtf8(), "文件写入失败，保存失败！");
    EXPECT_EQ(rec.last().icon, MessageIcon::Warning);
    EXPECT_EQ(dialog.asked(), 4);
}

TEST_F(MainWindowCollector, SaveDialogGetsItsTitleFilterAndDirectory) {
    QString caption, suggested;
    SetSaveFileHook([&](const QString& c, const QString& s) {
        caption = c;
        suggested = s;
        QDir::setCurrent(QDir::tempPath()); // as a dialog that wanders off may do
        return QString();
    });
    const QString before = QDir::currentPath();
    EXPECT_TRUE(ChooseSaveFile(w.get()).isEmpty());
    SetSaveFileHook({});
    EXPECT_EQ(caption, U("保存文件"));
    EXPECT_EQ(suggested, before);
    EXPECT_EQ(QDir::currentPath(), before);
    EXPECT_EQ(QtFileFilter(U("TXT文档(*.txt)|*.txt|所有文件(*.*)|*.*")), U("TXT文档(*.txt);;所有文件(*.*)"));
    EXPECT_EQ(QtFileFilter(U("表格|*.csv;*.tsv")), U("表格 (*.csv *.tsv)"));
}

} // namespace
