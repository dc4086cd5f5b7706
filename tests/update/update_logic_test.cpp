// The decisions behind the update and about windows: progress figures, the file's name, the task record,
// how an ended download is judged, and the version checks against a real gateway.
#include "update/download_events.h"
#include "update/loopback_http.h"
#include "update/update_logic.h"

#include "app/app_state.h"
#include "support/gateway_fixture.h"
#include "text/encoding.h"

#include <gtest/gtest.h>

using namespace tk;
using namespace tk::test;

namespace {

TEST(UpdateProgress, PositionAndLabel) {
    struct Case {
        int64_t total;
        int64_t done;
        int position;
        const char* label;
    };
    const Case cases[] = {
        {1000000, 456789, 457, "更新进度（45.7%）"},
        {1000000, 999500, 1000, "更新进度（100%）"}, // 999.5 rounds up
        {1000000, 999499, 999, "更新进度（99.9%）"},
        {1000, 456, 456, "更新进度（45.6%）"},
        {2000, 1, 1, "更新进度（0.1%）"}, // 0.5 rounds up
        {3000, 1, 0, "更新进度（0%）"},
        {3, 1, 333, "更新进度（33.3%）"},
        {1000000, 0, 0, "更新进度（0%）"},
        {1000000, 1000000, 1000, "更新进度（100%）"},
        {1000, 5000, 1000, "更新进度（100%）"}, // more than announced: the bar cannot read past full
        {5000000000LL, 2500000000LL, 500, "更新进度（50%）"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.total) + " / " + std::to_string(c.done));
        EXPECT_EQ(ProgressPosition(c.done, c.total), c.position);
        EXPECT_EQ(ProgressLabel(c.position), Gbk(c.label));
        const ProgressTick tick = ComputeProgressTick(c.total, c.done, "/nonexistent/file");
        EXPECT_TRUE(tick.active);
        EXPECT_EQ(tick.position, c.position);
        EXPECT_EQ(tick.label, Gbk(c.label));
        EXPECT_FALSE(tick.stopTimer);
    }
    EXPECT_FALSE(ComputeProgressTick(0, 5000, "/nonexistent/file").active) << "no length, no change";
}

TEST(UpdateProgress, TimerStopsOnlyOnAFullBarAndAFullFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string file = ToGbk(dir.filePath("f.exe"));
    struct Case {
        const char* name;
        int64_t total;
        int64_t done;
        int64_t fileSize; // -1: no file
        bool stop;
    };
    const Case cases[] = {
        {"full bar, full file", 1000, 1000, 1000, true},    {"full bar, short file", 1000000, 999500, 999500, false},
        {"full bar, no file", 1000, 1000, -1, false},       {"bar not full, full file", 1000, 998, 1000, false},
        {"full bar, longer file", 1000, 1000, 1001, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(FromGbk(file));
        if (c.fileSize >= 0) {
            QFile f(FromGbk(file));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            ASSERT_TRUE(f.resize(c.fileSize));
        }
        EXPECT_EQ(ComputeProgressTick(c.total, c.done, file).stopTimer, c.stop);
    }
}

TEST(UpdateFile, PathFromDirectoryProductVersionAndAddress) {
    struct Case {
        const char* name;
        const char* dir;
        const char* product;
        const char* version;
        const char* url;
        PathStyle style;
        const char* path;
    };
    const Case cases[] = {
        {"windows", "C:\\soft", "青禾淘客", "1.002", "http://h/x/taoke.zip", PathStyle::Windows,
         "C:\\soft\\青禾淘客1.002.exe"},
        {"windows, directory with separator", "C:\\", "青禾淘客", "1.002", "", PathStyle::Windows,
         "C:\\青禾淘客1.002.exe"},
        {"address ending", "/home/u", "青禾淘客", "1.002", "http://h:8/dl/taoke.AppImage?v=2#x", PathStyle::Posix,
         "/home/u/青禾淘客1.002.AppImage"},
        {"exe address elsewhere", "/home/u", "青禾淘客", "1.002", "http://h/taoke.exe", PathStyle::Posix,
         "/home/u/青禾淘客1.002.exe"},
        {"no ending in the address", "/home/u", "青禾淘客", "1.002", "http://h/download?file=a.exe", PathStyle::Posix,
         "/home/u/青禾淘客1.002"},
        {"dot in a directory only", "/home/u", "青禾淘客", "1.002", "http://h/v1.2/taoke", PathStyle::Posix,
         "/home/u/青禾淘客1.002"},
        {"empty version", "/tmp", "青禾淘客", "", "http://h/t.bin", PathStyle::Posix, "/tmp/青禾淘客.bin"},
        {"version that climbs out", "/tmp", "青禾淘客", "/../../etc/x", "http://h/t.bin", PathStyle::Posix,
         "/tmp/青禾淘客_.._.._etc_x.bin"},
        {"backslashes on windows", "C:\\soft", "青禾淘客", "..\\..\\x", "", PathStyle::Windows,
         "C:\\soft\\青禾淘客.._.._x.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BuildUpdateFilePath(Gbk(c.dir), Gbk(c.product), Gbk(c.version), c.url, c.style), Gbk(c.path));
    }
    // A double-byte character whose second byte is a backslash is a character, not a separator.
    const std::string product = "\x95\x5c";
    EXPECT_EQ(BuildUpdateFilePath("C:\\d", product, "1", "", PathStyle::Windows), "C:\\d\\\x95\x5c"
                                                                                  "1.exe");
}

TEST(UpdateFile, StartGoesThroughTheHook) {
    std::vector<std::string> started;
    SetStartProgramHook([&](const std::string& path) {
        started.push_back(path);
        return true;
    });
    EXPECT_TRUE(StartProgram(Gbk("/tmp/青禾淘客1.002")));
    SetStartProgramHook({});
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], Gbk("/tmp/青禾淘客1.002"));
}

TEST(UpdateStateTest, PrepareAndTaskRecord) {
    AppState app;
    app.productName = Gbk("青禾淘客");
    app.latestVersion = "1.002";
    app.downloadUrl = "http://127.0.0.1:9/new/taoke.exe";
    UpdateState state;
    state.prepare(app, Gbk("/work/dir"));
    EXPECT_EQ(state.updateUrl(), app.downloadUrl);
#ifdef _WIN32
    EXPECT_EQ(state.updateFilePath(), Gbk("/work/dir\\青禾淘客1.002.exe"));
#else
    EXPECT_EQ(state.updateFilePath(), Gbk("/work/dir/青禾淘客1.002.exe"));
#endif

    const DownloadTask defaults;
    EXPECT_EQ(defaults.flags, 1);
    EXPECT_EQ(defaults.segments, 1);
    EXPECT_EQ(defaults.connectTimeoutMs, 20000);
    EXPECT_EQ(defaults.ftpUser, "anonymous");
    EXPECT_NE(defaults.ftpPassword.find('@'), std::string::npos);
    EXPECT_EQ(defaults.binaryEndings, ".exe|.rar|.zip|.gif|.jpg|.mp3|.rm");

    int calls = 0;
    const DownloadTask t = state.makeTask([&](int, int, int64_t, int64_t, const DownloadTask&) { return ++calls, 0; });
    EXPECT_EQ(t.flags, 4096);
    EXPECT_EQ(t.sourceUrl, app.downloadUrl);
    EXPECT_EQ(t.localPath, state.updateFilePath());
    EXPECT_EQ(t.segments, 120);
    EXPECT_EQ(t.speedLimit, 9999999);
    EXPECT_EQ(t.connectTimeoutMs, 5000);
    EXPECT_EQ(t.sendTimeoutMs, 5001);
    EXPECT_EQ(t.receiveTimeoutMs, 10000);
    EXPECT_EQ(t.stopWaitMs, 1000);
    EXPECT_EQ(t.receiveBlockSize, 20480);
    // Left at the start-up values.
    EXPECT_EQ(t.sendBlockSize, defaults.sendBlockSize);
    EXPECT_EQ(t.ftpTransferMode, defaults.ftpTransferMode);
    EXPECT_EQ(t.ftpUser, defaults.ftpUser);
    ASSERT_TRUE(t.callback);
    t.callback(3, 0, 1, 0, t);
    EXPECT_EQ(calls, 1);
}

TEST(UpdateStateTest, EndedDownloadIsFinishedOnlyWhenTheWholeFileIsThere) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* name;
        int64_t announced; // 0: never
        int64_t fileSize;  // -1: no file
        int64_t complete;  // the downloader's word
        DownloadEnd end;
    };
    const Case cases[] = {
        {"complete", 1000, 1000, 1, DownloadEnd::Finished},
        {"no length announced", 0, -1, 0, DownloadEnd::Failed},
        {"ended early", 1000, 500, 0, DownloadEnd::Failed},
        {"ended early, no file", 1000, -1, 0, DownloadEnd::Failed},
        {"said complete, but short", 1000, 999, 1, DownloadEnd::Failed},
        {"old file of the right size, this download failed", 1000, 1000, 0, DownloadEnd::Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppState app;
        app.productName = "p";
        app.latestVersion = c.name;
        app.downloadUrl = "http://h/f.exe";
        UpdateState state;
        state.prepare(app, ToGbk(dir.path()));
        if (c.fileSize >= 0) {
            QFile f(FromGbk(state.updateFilePath()));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            ASSERT_TRUE(f.resize(c.fileSize));
        }
        EXPECT_EQ(state.onEvent(kEventConnectionStarted, 0, 0), DownloadEnd::None);
        if (c.announced) {
            EXPECT_EQ(state.onEvent(kEventLengthKnown, c.announced, 0), DownloadEnd::None);
        }
        EXPECT_EQ(state.updateTotalLength(), c.announced);
        EXPECT_EQ(state.onEvent(kEventTaskEnded, c.fileSize, c.complete), c.end);
    }
}

TEST(VersionCheck, AnyDifferenceIsANewVersion) {
    struct Case {
        const char* version;
        UpdateCheckOutcome outcome;
        const char* aboutText;
        bool blue;
    };
    const Case cases[] = {
        {"1.001", UpdateCheckOutcome::Latest, "最新版本:1.001", false},
        {"1.002", UpdateCheckOutcome::NewVersion, "最新版本:1.002", true},
        {"1.000", UpdateCheckOutcome::NewVersion, "最新版本:1.000", true},
        {"", UpdateCheckOutcome::NewVersion, "最新版本:", true},
        {"1.001 ", UpdateCheckOutcome::NewVersion, "最新版本:1.001 ", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(VersionOutcome(c.version), c.outcome);
        const AboutData about = MakeAboutData(Gbk("青禾淘客"), c.version);
        EXPECT_EQ(about.productName, Gbk("青禾淘客"));
        EXPECT_EQ(about.currentVersion, Gbk("当前版本:1.001"));
        EXPECT_EQ(about.latestVersion, Gbk(c.aboutText));
        EXPECT_EQ(about.latestHighlighted, c.blue);
    }
}

// The update road without the window: the state fills the record, the downloader fetches, the events
// decide, the timer's figures follow.
class UpdateRoad : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_app.productName = Gbk("青禾淘客");
        m_app.latestVersion = "1.002";
    }

    DownloadEnd run(FileDownloader& downloader) {
        std::atomic<int> end{static_cast<int>(DownloadEnd::None)};
        DownloadEvents events;
        DownloadCallback record = events.callback();
        EXPECT_TRUE(m_state.start(downloader, [&](int type, int c, int64_t v, int64_t r, const DownloadTask& t) {
            const DownloadEnd e = m_state.onEvent(type, v, r);
            if (e != DownloadEnd::None) end = static_cast<int>(e);
            return record(type, c, v, r, t);
        }));
        EXPECT_TRUE(events.waitForEnd());
        return static_cast<DownloadEnd>(end.load());
    }

    QTemporaryDir m_dir;
    AppState m_app;
    UpdateState m_state;
};

TEST_F(UpdateRoad, DownloadFinishesAndTheTimerStops) {
    const std::string body = PatternBody(300000, 9);
    LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) { ServeBody(r, conn, body); });
    m_app.downloadUrl = server.url("/releases/taoke.exe");
    m_state.prepare(m_app, ToGbk(m_dir.path()));
    FileDownloader downloader;
    EXPECT_FALSE(m_state.tick(downloader).active) << "nothing announced yet";
    EXPECT_EQ(run(downloader), DownloadEnd::Finished);
    EXPECT_EQ(ReadWholeFile(FromGbk(m_state.updateFilePath())), body);
    const ProgressTick tick = m_state.tick(downloader);
    EXPECT_EQ(tick.position, 1000);
    EXPECT_EQ(tick.label, Gbk("更新进度（100%）"));
    EXPECT_TRUE(tick.stopTimer);

    std::string startedPath;
    SetStartProgramHook([&](const std::string& p) { return startedPath = p, true; });
    EXPECT_TRUE(StartProgram(m_state.updateFilePath()));
    SetStartProgramHook({});
    EXPECT_EQ(startedPath, m_state.updateFilePath());
}

TEST_F(UpdateRoad, EarlyEndIsAFailureAndLeavesNoFile) {
    const std::string body = PatternBody(300000, 9);
    std::atomic<bool> healthy{false};
    LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) {
        ServeOptions o;
        if (!healthy) o.closeAt = 150000;
        ServeBody(r, conn, body, o);
    });
    m_app.downloadUrl = server.url("/releases/taoke.exe");
    m_state.prepare(m_app, ToGbk(m_dir.path()));
    DownloaderOptions options;
    options.retryDelayMs = 10;
    FileDownloader downloader(options);
    EXPECT_EQ(run(downloader), DownloadEnd::Failed);
    EXPECT_EQ(m_state.updateTotalLength(), 300000);
    EXPECT_EQ(FileSizeOf(m_state.updateFilePath()), -1);
    EXPECT_FALSE(m_state.tick(downloader).stopTimer);

    // The button's second click reuses the record.
    healthy = true;
    EXPECT_EQ(run(downloader), DownloadEnd::Finished);
    EXPECT_TRUE(m_state.tick(downloader).stopTimer);
}

// CheckForUpdate and ShowAbout read Setup again through a real gateway.
class VersionFromGateway : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_gateway = std::make_unique<GatewayFixture>();
        ASSERT_TRUE(s_gateway->start()) << s_gateway->error();
    }
    static void TearDownTestSuite() { s_gateway.reset(); }

    static void setup(const QStringList& args) {
        std::string output;
        ASSERT_TRUE(s_gateway->admin(QStringList{"setup"} + args, &output)) << output;
    }

    std::unique_ptr<AppState> client() {
        auto app = std::make_unique<AppState>();
        app->productName = Gbk("青禾淘客");
        app->gateway = ConnectGateway(*app, s_gateway->baseUrl(), "link.asp", app->settings.gatewaySymbols, 1, 1);
        EXPECT_EQ(app->gateway.connected, 1);
        return app;
    }

    static std::unique_ptr<GatewayFixture> s_gateway;
};
std::unique_ptr<GatewayFixture> VersionFromGateway::s_gateway;

TEST_F(VersionFromGateway, LatestVersionIsReadAgain) {
    struct Case {
        QStringList setupArgs;
        const char* latest;
        UpdateCheckOutcome outcome;
        bool blue;
    };
    const Case cases[] = {
        {{"set", "--version", "1.001"}, "1.001", UpdateCheckOutcome::Latest, false},
        {{"set", "--version", "1.002"}, "1.002", UpdateCheckOutcome::NewVersion, true},
        {{"clear"}, "", UpdateCheckOutcome::NewVersion, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.latest);
        setup(c.setupArgs);
        auto app = client();
        app->latestVersion = "stale";
        EXPECT_EQ(CheckForUpdate(*app), c.outcome);
        EXPECT_EQ(app->latestVersion, c.latest);
        app->latestVersion = "stale";
        const AboutData about = ShowAbout(*app);
        EXPECT_EQ(app->latestVersion, c.latest);
        EXPECT_EQ(about.latestVersion, Gbk("最新版本:") + c.latest);
        EXPECT_EQ(about.latestHighlighted, c.blue);
        EXPECT_EQ(about.productName, Gbk("青禾淘客"));
    }
}

TEST_F(VersionFromGateway, UpdateCheckTakesTheAddressOfTheNewVersion) {
    setup({"set", "--version", "1.001", "--download-url", "http://127.0.0.1:1/taoke-1.001.bin"});
    auto app = client();
    app->downloadUrl = "http://127.0.0.1:1/taoke-1.001.bin";
    setup({"set", "--version", "1.002", "--download-url", "http://127.0.0.1:1/taoke-1.002.bin"});
    EXPECT_EQ(CheckForUpdate(*app), UpdateCheckOutcome::NewVersion);
    EXPECT_EQ(app->downloadUrl, "http://127.0.0.1:1/taoke-1.002.bin");

    setup({"clear"}); // no row: the version empties, the address stays
    EXPECT_EQ(CheckForUpdate(*app), UpdateCheckOutcome::NewVersion);
    EXPECT_EQ(app->downloadUrl, "http://127.0.0.1:1/taoke-1.002.bin");
}

TEST(VersionCheck, GatewayThatIsNotThereCountsAsNewVersion) {
    AppState app; // never connected
    app.latestVersion = "1.001";
    EXPECT_EQ(CheckForUpdate(app), UpdateCheckOutcome::NewVersion);
    EXPECT_EQ(app.latestVersion, "");
    EXPECT_TRUE(ShowAbout(app).latestHighlighted);
}

} // namespace
