// The update window on real windows: the update check against a real gateway, downloads from a loopback
// file server, and the start of the new file through the start hook.
#include "gateway/gateway_client.h"
#include "support/gateway_fixture.h"
#include "text/encoding.h"
#include "ui/message_box.h"
#include "ui/update_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <set>
#include <thread>

using tk::Gbk;
using tk::UpdateWindow;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

std::string SampleBytes(size_t n) {
    std::string s(n, '\0');
    uint32_t x = 12345;
    for (auto& c : s) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return s;
}

// Serves /taoke.bin whole (with ranges), and /broken.bin, which announces the same length but ends every
// answer at the file's middle while `broken` is set.
class FileServer {
public:
    explicit FileServer(std::string bytes) : m_bytes(std::move(bytes)) {
        m_server.Get("/taoke.bin", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(m_bytes, "application/octet-stream");
        });
        m_server.Get("/broken.bin", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(
                m_bytes.size(), "application/octet-stream",
                [this](size_t offset, size_t length, httplib::DataSink& sink) {
                    const size_t half = m_bytes.size() / 2;
                    size_t end = offset + length;
                    if (broken && end > half) end = std::max(offset, half);
                    if (end > offset) sink.write(m_bytes.data() + offset, end - offset);
                    return !broken || offset + length <= half; // false drops the connection
                });
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    ~FileServer() {
        m_server.stop();
        m_thread.join();
    }
    std::string url(const char* path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }
    const std::string& bytes() const { return m_bytes; }
    std::atomic<bool> broken{true};

private:
    std::string m_bytes;
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
};

std::string ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray all = f.readAll();
    return std::string(all.constData(), static_cast<size_t>(all.size()));
}

void FlushDeletes() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

std::vector<UpdateWindow*> UpdateWindows() {
    std::vector<UpdateWindow*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* u = qobject_cast<UpdateWindow*>(w); u && !u->beingDestroyed()) out.push_back(u);
    return out;
}

// Every text the progress label shows, as it changes.
class LabelWatch {
public:
    explicit LabelWatch(QLabel* label) : m_label(label) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
        m_timer.start(20);
        look();
    }
    bool saw(const char* utf8) const { return m_seen.count(U(utf8)) > 0; }
    std::string all() const {
        std::string out;
        for (const QString& s : m_seen) out += s.toStdString() + " | ";
        return out;
    }

private:
    void look() {
        if (m_label && m_label->isVisible()) m_seen.insert(m_label->text());
    }
    QPointer<QLabel> m_label;
    QTimer m_timer;
    std::set<QString> m_seen;
};

void ExpectReady(UpdateWindow& w) {
    EXPECT_TRUE(w.图片框_开始更新->isVisible());
    EXPECT_TRUE(w.按钮_开始更新->isEnabled());
    EXPECT_EQ(w.按钮_开始更新->text(), U("开始更新"));
    EXPECT_FALSE(w.标签_更新进度->isVisible());
    EXPECT_FALSE(w.进度条_更新进度->isVisible());
    EXPECT_FALSE(w.时钟1->isActive());
}

void ExpectDownloading(UpdateWindow& w) {
    EXPECT_FALSE(w.图片框_开始更新->isVisible());
    EXPECT_FALSE(w.按钮_开始更新->isEnabled());
    EXPECT_TRUE(w.标签_更新进度->isVisible());
    EXPECT_TRUE(w.进度条_更新进度->isVisible());
    EXPECT_TRUE(w.时钟1->isActive());
    EXPECT_EQ(w.时钟1->interval(), 1000);
}

bool IsFinished(UpdateWindow& w) {
    return w.按钮_开始更新->text() == U("更新完成") && w.按钮_开始更新->isEnabled() &&
           w.图片框_开始更新->isVisible() && !w.标签_更新进度->isVisible() && !w.进度条_更新进度->isVisible();
}

struct UpdateRoad : ::testing::Test {
    QTemporaryDir work;
    QString previousDir = QDir::currentPath();
    FileServer files{SampleBytes(1'500'000 + 7)};
    tk::test::GatewayFixture gateway;
    tk::AppState app;
    std::unique_ptr<tk::UpdateSession> session;

    void SetUp() override {
        ASSERT_TRUE(work.isValid());
        ASSERT_TRUE(QDir::setCurrent(work.path())); // the new file goes to the current directory
        ASSERT_TRUE(gateway.start()) << gateway.error();
        app.settings.gatewayBase = gateway.baseUrl();
        app.gateway = tk::ConnectGateway(app, app.settings.gatewayBase, app.settings.gatewayPage,
                                         app.settings.gatewaySymbols, 1, 1);
        app.productName = Gbk("青禾淘客");
        session = std::make_unique<tk::UpdateSession>();
    }
    void TearDown() override {
        std::vector<QPointer<tk::BorderlessWindow>> left;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<tk::BorderlessWindow*>(w)) left.emplace_back(b);
        for (auto& w : left) delete w.data();
        FlushDeletes();
        session.reset();
        QDir::setCurrent(previousDir);
    }

    // The window a check from a stand-in main window opens.
    UpdateWindow* CheckFromMainWindow(const char* version, const std::string& url) {
        EXPECT_TRUE(gateway.admin({"setup", "set", "--version", version, "--download-url",
                                   QString::fromStdString(url)}));
        app.downloadUrl = url; // read from the same row at start-up
        tk::MessageRecorder rec;
        auto* main = new tk::BorderlessWindow;
        main->setGeometry(50, 50, 950, 650);
        main->show();
        QPointer<tk::BorderlessWindow> mainAlive(main);
        tk::CheckForUpdate(app, *main);
        EXPECT_EQ(rec.count(), 1u);
        EXPECT_EQ(rec.lastUtf8(), "发现新版本，请立刻更新");
        EXPECT_EQ(rec.last().icon, tk::MessageIcon::Information);
        FlushDeletes();
        EXPECT_FALSE(mainAlive);
        const auto windows = UpdateWindows();
        EXPECT_EQ(windows.size(), 1u);
        return windows.empty() ? nullptr : windows.front();
    }
};

TEST_F(UpdateRoad, CheckOpensTheUpdateWindowOnlyForAnotherVersion) {
    const struct {
        const char* version; // nullptr: no Setup row at all
        bool opens;
    } cases[] = {{"1.001", false}, {"1.002", true}, {"1.000", true}, {nullptr, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version ? c.version : "(no Setup row)");
        if (c.version)
            ASSERT_TRUE(gateway.admin({"setup", "set", "--version", c.version}));
        else
            ASSERT_TRUE(gateway.admin({"setup", "clear"}));
        tk::MessageRecorder rec;
        auto* main = new tk::BorderlessWindow;
        main->setGeometry(50, 50, 950, 650);
        main->show();
        QPointer<tk::BorderlessWindow> mainAlive(main);
        tk::CheckForUpdate(app, *main);
        FlushDeletes();
        EXPECT_EQ(app.latestVersion, c.version ? std::string(c.version) : std::string());
        ASSERT_EQ(rec.count(), 1u);
        EXPECT_EQ(rec.last().icon, tk::MessageIcon::Information);
        EXPECT_EQ(rec.lastUtf8(), c.opens ? "发现新版本，请立刻更新" : "当前使用的是最新版本");
        const auto windows = UpdateWindows();
        EXPECT_EQ(windows.size(), c.opens ? 1u : 0u);
        EXPECT_EQ(static_cast<bool>(mainAlive), !c.opens);
        if (mainAlive) {
            EXPECT_TRUE(main->isVisible());
            EXPECT_EQ(main->geometry(), QRect(50, 50, 950, 650));
        }
        for (UpdateWindow* w : windows) {
            EXPECT_EQ(w->geometry(), QRect(50, 50, 400, 250));
            EXPECT_EQ(w->windowTitle(), U("在线更新"));
            EXPECT_EQ(w->parentWidget(), nullptr);
            EXPECT_FALSE(w->isModal());
            ExpectReady(*w);
            delete w;
        }
        delete mainAlive.data();
        FlushDeletes();
    }
}

TEST_F(UpdateRoad, NewVersionDownloadsAndStartsTheNewFile) {
    UpdateWindow* w = CheckFromMainWindow("1.002", files.url("/taoke.bin"));
    ASSERT_NE(w, nullptr);
    const std::string path = session->state()->updateFilePath();
    EXPECT_EQ(tk::FromGbk(path), QDir::toNativeSeparators(work.path() + U("/青禾淘客1.002.bin")));
    ExpectReady(*w);
    EXPECT_EQ(w->标签_更新进度->text(), U("正在连接服务器……"));

    LabelWatch watch(w->标签_更新进度);
    QTest::mouseClick(w->按钮_开始更新, Qt::LeftButton);
    ExpectDownloading(*w);
    QTRY_VERIFY_WITH_TIMEOUT(IsFinished(*w), 120000);
    EXPECT_TRUE(watch.saw("程序文件更新完毕")) << watch.all();
    EXPECT_FALSE(watch.saw("获取失败，请稍后重试！")) << watch.all();
    EXPECT_EQ(session->state()->updateTotalLength(), static_cast<int64_t>(files.bytes().size()));
    EXPECT_TRUE(ReadFile(tk::FromGbk(path)) == files.bytes());
    EXPECT_FALSE(QFile::exists(tk::FromGbk(tk::PartialFilePath(path))));
    // The timer runs on until a tick sees the whole file.
    QTRY_VERIFY_WITH_TIMEOUT(!w->时钟1->isActive(), 60000);
    EXPECT_EQ(w->进度条_更新进度->value(), 1000);

    // The second click starts the file and ends the process; that part runs in a forked child. (A child that
    // ran the whole test again would start a gateway of its own, which would outlive it on its pipe.)
    EXPECT_EXIT(
        {
            tk::SetStartProgramHook([](const std::string& started) {
                std::fprintf(stderr, "start hook: %s\n", tk::GbkToUtf8(started).c_str());
                std::fflush(stderr);
                return true;
            });
            QTest::mouseClick(w->按钮_开始更新, Qt::LeftButton);
            std::fprintf(stderr, "still running\n");
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "start hook: .*/青禾淘客1\\.002\\.bin");
}

TEST_F(UpdateRoad, DownloadCutHalfWayReturnsToReadyAndLeavesNoFile) {
    UpdateWindow* w = CheckFromMainWindow("1.002", files.url("/broken.bin"));
    ASSERT_NE(w, nullptr);
    const QString path = tk::FromGbk(session->state()->updateFilePath());
    {
        LabelWatch watch(w->标签_更新进度);
        QTest::mouseClick(w->按钮_开始更新, Qt::LeftButton);
        ExpectDownloading(*w);
        QTRY_VERIFY_WITH_TIMEOUT(watch.saw("获取失败，请稍后重试！"), 120000);
        QTRY_VERIFY_WITH_TIMEOUT(w->按钮_开始更新->isEnabled(), 60000);
        ExpectReady(*w);
        EXPECT_FALSE(watch.saw("程序文件更新完毕")) << watch.all();
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_EQ(session->state()->updateTotalLength(), static_cast<int64_t>(files.bytes().size()));
    }
    // A second start after the failure goes through with the same record.
    files.broken = false;
    LabelWatch watch(w->标签_更新进度);
    QTest::mouseClick(w->按钮_开始更新, Qt::LeftButton);
    ExpectDownloading(*w);
    QTRY_VERIFY_WITH_TIMEOUT(IsFinished(*w), 120000);
    EXPECT_TRUE(watch.saw("程序文件更新完毕")) << watch.all();
    EXPECT_TRUE(ReadFile(path) == files.bytes());
    EXPECT_EQ(session->state()->task().segments, 120);
}

TEST_F(UpdateRoad, RefusedAddressLeavesTheWindowDownloading) {
    // No download address: the downloader refuses the task and sends no event.
    app.latestVersion = "1.002";
    app.downloadUrl.clear();
    UpdateWindow* w = UpdateWindow::open(app);
    QTest::mouseClick(w->按钮_开始更新, Qt::LeftButton);
    ExpectDownloading(*w);
    EXPECT_EQ(w->标签_更新进度->text(), U("正在连接服务器……"));
    QTest::qWait(2500); // two ticks of a timer that must not change anything
    ExpectDownloading(*w);
    EXPECT_EQ(w->标签_更新进度->text(), U("正在连接服务器……"));
    EXPECT_EQ(w->进度条_更新进度->value(), 0);
}

TEST_F(UpdateRoad, MenuOffersMinimiseAndExit) {
    app.latestVersion = "1.002";
    UpdateWindow* w = UpdateWindow::open(app);
    ASSERT_NE(w->menu(), nullptr);
    QStringList entries;
    for (QAction* a : w->menu()->actions()) entries << a->text();
    EXPECT_EQ(entries, (QStringList{U("最小化"), U("退   出")}));
    EXPECT_EQ(w->menu()->title(), U("菜单"));
    w->minimiseFromMenu();
    QTRY_VERIFY_WITH_TIMEOUT(w->isMinimized(), 10000);

    EXPECT_EXIT(
        {
            w->exitFromMenu();
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(UpdateRoad, ClosingTheWindowCollapsesItAway) {
    app.latestVersion = "1.002";
    QPointer<UpdateWindow> w = UpdateWindow::open(app);
    const QRect before = w->geometry();
    w->close();
    EXPECT_TRUE(w->beingDestroyed());
    EXPECT_LT(w->height(), before.height()); // the will-be-destroyed animation has played
    FlushDeletes();
    EXPECT_FALSE(w);
}

} // namespace
