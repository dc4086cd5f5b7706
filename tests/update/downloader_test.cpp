// The downloader against loopback servers that answer in every way the wire allows.
#include "update/download_events.h"
#include "update/downloader.h"
#include "update/loopback_http.h"

#include "text/encoding.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace tk;
using namespace tk::test;

namespace {

class Downloader : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // GBK path of a file in the test's own directory.
    std::string path(const char* name) const { return ToGbk(m_dir.filePath(QString::fromUtf8(name))); }
    static QString q(const std::string& gbk) { return FromGbk(gbk); }

    DownloadTask task(const std::string& url, const std::string& local, int segments, int speedLimit = 0) {
        DownloadTask t;
        t.flags = kDownloadFlag;
        t.sourceUrl = url;
        t.localPath = local;
        t.segments = segments;
        t.speedLimit = speedLimit;
        t.connectTimeoutMs = 5000;
        t.sendTimeoutMs = 5001;
        t.receiveTimeoutMs = 10000;
        t.callback = m_events.callback();
        return t;
    }

    // The file at the path is the body, nothing stands under the partial name, and the events say so.
    void expectComplete(const std::string& local, const std::string& body) {
        EXPECT_EQ(ReadWholeFile(q(local)), body);
        EXPECT_FALSE(QFile::exists(q(PartialFilePath(local))));
        const auto lengths = m_events.ofType(kEventLengthKnown);
        ASSERT_EQ(lengths.size(), 1u);
        EXPECT_EQ(lengths[0].value, static_cast<int64_t>(body.size()));
        const auto ends = m_events.ofType(kEventTaskEnded);
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0].reserved, 1);
        EXPECT_EQ(ends[0].value, static_cast<int64_t>(body.size()));
        EXPECT_EQ(m_events.all().back().type, kEventTaskEnded) << "the end is the last event";
    }

    void expectFailedAndNothingLeft(const std::string& local) {
        const auto ends = m_events.ofType(kEventTaskEnded);
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0].reserved, 0);
        EXPECT_FALSE(QFile::exists(q(local)));
        EXPECT_FALSE(QFile::exists(q(PartialFilePath(local))));
    }

    static int gets(const LoopbackHttpServer& server) {
        int n = 0;
        for (const auto& r : server.requests())
            n += r.method == "GET" ? 1 : 0;
        return n;
    }

    QTemporaryDir m_dir;
    DownloadEvents m_events;
};

TEST_F(Downloader, PartsReassembleToTheExactBytes) {
    struct Case {
        const char* name;
        size_t size;
        int segments;
        int64_t minSegment;
        int expectedGets;
    };
    const Case cases[] = {
        {"seven uneven parts", 1000, 7, 1, 7},
        {"file smaller than the segment count", 50, 120, 1, 50},
        {"one byte, many segments", 1, 120, 1, 1},
        {"one-segment task", 100000, 1, 1, 1},
        {"120 parts through at most 8 connections", 120 * 1000 + 37, 120, 1, 120},
        {"small file stays in few parts", 300000, 120, 65536, 4},
        {"empty file", 0, 5, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_events.clear();
        const std::string body = PatternBody(c.size, static_cast<unsigned>(c.size));
        LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) { ServeBody(r, conn, body); });
        DownloaderOptions options;
        options.minSegmentBytes = c.minSegment;
        FileDownloader downloader(options);
        const std::string local = path(c.name);
        ASSERT_TRUE(downloader.addTask(task(server.url("/f.exe"), local, c.segments)));
        ASSERT_TRUE(m_events.waitForEnd());
        expectComplete(local, body);
        EXPECT_EQ(downloader.doneLength(), static_cast<int64_t>(c.size));
        EXPECT_EQ(gets(server), c.expectedGets);
        EXPECT_LE(server.maxOpen(), 8);
        EXPECT_LE(m_events.maxOpen(), 8);
    }
}

TEST_F(Downloader, ServerWithoutPartsIsFetchedAsOneStream) {
    struct Case {
        const char* name;
        ServeOptions serve;
        int expectedGets;
    };
    ServeOptions noAdvert;
    noAdvert.advertiseRanges = false;
    ServeOptions ignoresRange; // says it takes ranges, answers 200 with everything
    ignoresRange.honourRange = false;
    ServeOptions unknownLength;
    unknownLength.advertiseRanges = false;
    unknownLength.chunked = true;
    ServeOptions noHead;
    noHead.headStatus = 405;
    const Case cases[] = {
        {"no Accept-Ranges", noAdvert, 1},
        {"200 to a Range request", ignoresRange, -1},
        {"unknown length", unknownLength, 1},
        {"HEAD refused", noHead, 1},
    };
    const std::string body = PatternBody(200000, 7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_events.clear();
        LoopbackHttpServer server(
            [&](const HttpRequest& r, HttpConnection& conn) { ServeBody(r, conn, body, c.serve); });
        DownloaderOptions options;
        options.minSegmentBytes = 1000;
        FileDownloader downloader(options);
        const std::string local = path(c.name);
        ASSERT_TRUE(downloader.addTask(task(server.url("/f.bin"), local, 10)));
        ASSERT_TRUE(m_events.waitForEnd());
        expectComplete(local, body);
        EXPECT_EQ(downloader.doneLength(), static_cast<int64_t>(body.size()));
        if (c.expectedGets > 0) {
            EXPECT_EQ(gets(server), c.expectedGets);
            for (const auto& r : server.requests())
                EXPECT_FALSE(r.hasRange);
        }
    }
}

TEST_F(Downloader, DroppedConnectionIsReportedAsFailureAndTheRecordWorksAgain) {
    const std::string body = PatternBody(100000, 3);
    std::atomic<bool> healthy{false};
    LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) {
        ServeOptions o;
        if (!healthy) o.closeAt = 50000;
        ServeBody(r, conn, body, o);
    });
    DownloaderOptions options;
    options.retryDelayMs = 10;
    FileDownloader downloader(options);
    const std::string local = path("青禾淘客1.002.exe");
    const DownloadTask record = task(server.url("/f.exe"), local, 1);

    ASSERT_TRUE(downloader.addTask(record));
    ASSERT_TRUE(m_events.waitForEnd());
    EXPECT_EQ(m_events.count(kEventLengthKnown), 1) << "the length was announced before the drop";
    expectFailedAndNothingLeft(local);
    EXPECT_EQ(gets(server), 1 + options.retries);
    // Every retry resumed where the file stopped instead of starting over.
    const auto requests = server.requests();
    for (size_t i = 2; i < requests.size(); ++i) {
        EXPECT_TRUE(requests[i].hasRange);
        EXPECT_EQ(requests[i].rangeFirst, 50000);
    }

    healthy = true;
    m_events.clear();
    ASSERT_TRUE(downloader.addTask(record));
    ASSERT_TRUE(m_events.waitForEnd());
    expectComplete(local, body);
}

TEST_F(Downloader, OneDropIsHealedByTheRetry) {
    struct Case {
        const char* name;
        bool ranges;
        int segments;
    };
    const Case cases[] = {{"resumed part", true, 4}, {"restarted stream", false, 4}};
    const std::string body = PatternBody(80000, 5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_events.clear();
        std::atomic<int> drops{1};
        LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) {
            ServeOptions o;
            o.advertiseRanges = o.honourRange = c.ranges;
            if (r.method == "GET" && r.rangeFirst == 0 && drops.fetch_sub(1) > 0) o.closeAt = 7000;
            ServeBody(r, conn, body, o);
        });
        DownloaderOptions options;
        options.minSegmentBytes = 1;
        options.retryDelayMs = 10;
        FileDownloader downloader(options);
        const std::string local = path(c.name);
        ASSERT_TRUE(downloader.addTask(task(server.url("/f.exe"), local, c.segments)));
        ASSERT_TRUE(m_events.waitForEnd());
        expectComplete(local, body);
        EXPECT_EQ(downloader.doneLength(), static_cast<int64_t>(body.size())) << "no byte counted twice";
    }
}

TEST_F(Downloader, RefusedTaskSendsNoEvent) {
    struct Case {
        const char* name;
        std::string url;
        std::string local;
        int32_t flags;
    };
    const std::string local = path("refused.exe");
    const Case cases[] = {
        {"empty address", "", local, kDownloadFlag},
        {"not an address", "青禾淘客", local, kDownloadFlag},
        {"local file scheme", "file:///etc/passwd", local, kDownloadFlag},
        {"no host", "http://", local, kDownloadFlag},
        {"empty local path", "http://127.0.0.1:1/f.exe", "", kDownloadFlag},
        {"not a download", "http://127.0.0.1:1/f.exe", local, 1},
    };
    FileDownloader downloader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DownloadTask t = task(c.url, c.local, 120);
        t.flags = c.flags;
        EXPECT_FALSE(downloader.addTask(t));
    }
    EXPECT_TRUE(m_events.all().empty());
    EXPECT_EQ(downloader.doneLength(), 0);
    EXPECT_FALSE(QFile::exists(q(local)));

    // The refusals left the downloader able to take a task.
    const std::string body = PatternBody(3000);
    LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) { ServeBody(r, conn, body); });
    ASSERT_TRUE(downloader.addTask(task(server.url("/f.exe"), local, 3)));
    ASSERT_TRUE(m_events.waitForEnd());
    expectComplete(local, body);
}

TEST_F(Downloader, ServerThatIsNotThereEndsWithoutALength) {
    // A port that nothing listens on.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);

    FileDownloader downloader;
    const std::string local = path("absent.exe");
    ASSERT_TRUE(
        downloader.addTask(task("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/f.exe", local, 120)));
    ASSERT_TRUE(m_events.waitForEnd());
    EXPECT_EQ(m_events.count(kEventLengthKnown), 0);
    expectFailedAndNothingLeft(local);
}

TEST_F(Downloader, MissingFileIsNotAskedForAgain) {
    LoopbackHttpServer server([&](const HttpRequest&, HttpConnection& conn) {
        conn.leaveGauge();
        conn.send("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    });
    FileDownloader downloader;
    const std::string local = path("missing.exe");
    ASSERT_TRUE(downloader.addTask(task(server.url("/gone.exe"), local, 120)));
    ASSERT_TRUE(m_events.waitForEnd());
    expectFailedAndNothingLeft(local);
    EXPECT_EQ(gets(server), 1);
}

TEST_F(Downloader, SilentServerIsGivenUpAfterTheReceiveTimeout) {
    const std::string body = PatternBody(50000);
    LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) {
        ServeOptions o;
        o.closeAt = 1000;
        o.stallAtClose = true;
        ServeBody(r, conn, body, o);
    });
    DownloaderOptions options;
    options.retries = 1;
    options.retryDelayMs = 10;
    FileDownloader downloader(options);
    const std::string local = path("silent.exe");
    DownloadTask t = task(server.url("/f.exe"), local, 1);
    t.receiveTimeoutMs = 300;
    ASSERT_TRUE(downloader.addTask(t));
    ASSERT_TRUE(m_events.waitForEnd());
    expectFailedAndNothingLeft(local);
    EXPECT_EQ(gets(server), 2);
    server.stop();
}

TEST_F(Downloader, ExistingFileAtThePathIsReplaced) {
    const std::string local = path("old.exe");
    {
        QFile old(q(local));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(500000, 'x'));
    }
    const std::string body = PatternBody(1234);
    LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) { ServeBody(r, conn, body); });
    FileDownloader downloader;
    ASSERT_TRUE(downloader.addTask(task(server.url("/f.exe"), local, 120)));
    ASSERT_TRUE(m_events.waitForEnd());
    expectComplete(local, body);
}

TEST_F(Downloader, SpeedLimitHoldsTheWholeTaskBack) {
    // Four parts share 100 000 bytes per second: 200 000 bytes cannot arrive in much less than two seconds.
    // Only the lower bound is checked, at half the ideal time, so a slow machine cannot fail it.
    const std::string body = PatternBody(200000, 11);
    LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) { ServeBody(r, conn, body); });
    DownloaderOptions options;
    options.minSegmentBytes = 1;
    FileDownloader downloader(options);
    const std::string local = path("slow.exe");
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(downloader.addTask(task(server.url("/f.exe"), local, 4, 100000)));
    ASSERT_TRUE(m_events.waitForEnd());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    expectComplete(local, body);
    const double bytesPerSecond = static_cast<double>(body.size()) / seconds;
    EXPECT_LT(bytesPerSecond, 2 * 100000.0) << seconds << " s";
}

TEST_F(Downloader, StopWhileDownloadingEndsQuietly) {
    const std::string body = PatternBody(400000);
    LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) {
        ServeOptions o;
        o.piece = 1000;
        o.pieceDelayMs = 20;
        ServeBody(r, conn, body, o);
    });
    DownloaderOptions options;
    options.minSegmentBytes = 1;
    auto downloader = CreateDownloader(options);
    const std::string local = path("stopped.exe");
    ASSERT_TRUE(AddTask(*downloader, task(server.url("/f.exe"), local, 4)));
    EXPECT_FALSE(AddTask(*downloader, task(server.url("/f.exe"), local, 4))) << "one task at a time";
    for (int i = 0; i < 6000 && DoneLength(*downloader) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GT(DoneLength(*downloader), 0);
    DestroyDownloader(downloader);
    EXPECT_EQ(downloader, nullptr);
    EXPECT_EQ(m_events.count(kEventTaskEnded), 0);
    EXPECT_FALSE(QFile::exists(q(local)));
    EXPECT_FALSE(QFile::exists(q(PartialFilePath(local))));
}

TEST_F(Downloader, NextTaskCanBeHandedInFromTheEndEvent) {
    const std::string body = PatternBody(5000);
    LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) { ServeBody(r, conn, body); });
    FileDownloader downloader;
    const std::string local = path("again.exe");
    std::atomic<int> ends{0};
    std::atomic<bool> secondAccepted{false};
    DownloadTask t = task(server.url("/f.exe"), local, 2);
    DownloadCallback record = t.callback;
    t.callback = [&](int type, int connection, int64_t value, int64_t reserved, const DownloadTask& self) {
        record(type, connection, value, reserved, self);
        if (type == kEventTaskEnded && ends.fetch_add(1) == 0) secondAccepted = downloader.addTask(self);
        return 0;
    };
    ASSERT_TRUE(downloader.addTask(t));
    ASSERT_TRUE(m_events.waitForEnd(2));
    EXPECT_TRUE(secondAccepted);
    EXPECT_EQ(ReadWholeFile(q(local)), body);
}

} // namespace

namespace {

TEST_F(Downloader, RedirectIsFollowedButNeverToALocalFile) {
    const std::string body = PatternBody(30000, 21);
    LoopbackHttpServer server([&](const HttpRequest& r, HttpConnection& conn) {
        auto redirect = [&](const std::string& to) {
            conn.leaveGauge();
            conn.send("HTTP/1.1 302 Found\r\nLocation: " + to + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        };
        if (r.target == "/old.exe")
            redirect("/f.exe");
        else if (r.target == "/evil.exe")
            redirect("file:///etc/passwd");
        else
            ServeBody(r, conn, body);
    });
    DownloaderOptions options;
    options.minSegmentBytes = 1;
    FileDownloader downloader(options);

    const std::string local = path("moved.exe");
    ASSERT_TRUE(downloader.addTask(task(server.url("/old.exe"), local, 3)));
    ASSERT_TRUE(m_events.waitForEnd());
    expectComplete(local, body);
    int direct = 0;
    for (const auto& r : server.requests())
        direct += (r.method == "GET" && r.target == "/f.exe") ? 1 : 0;
    EXPECT_EQ(direct, 3) << "the parts go straight to where the address led";

    m_events.clear();
    const std::string evil = path("evil.exe");
    ASSERT_TRUE(downloader.addTask(task(server.url("/evil.exe"), evil, 3)));
    ASSERT_TRUE(m_events.waitForEnd());
    expectFailedAndNothingLeft(evil);
}

} // namespace
