#include "update/downloader.h"

#include "text/encoding.h"
#include "text/gbk_text.h"

#include <QFile>
#include <QString>

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

namespace tk {

using Clock = std::chrono::steady_clock;

struct FileDownloader::Shared {
    DownloaderOptions options;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable finishedCv;
    std::optional<DownloadTask> pending;
    bool busy = false;     // a task was accepted and has not yet ended
    bool finished = false; // the worker has left its loop
    int32_t stopWaitMs = 1000;
    CURLM* multi = nullptr; // the worker's, while it lives; only for curl_multi_wakeup
    std::atomic<bool> stopping{false};
    std::atomic<int64_t> done{0};
};

namespace {

void globalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string lowerScheme(std::string_view url) {
    CURLU* u = curl_url();
    std::string scheme;
    if (curl_url_set(u, CURLUPART_URL, std::string(url).c_str(), 0) == CURLUE_OK) {
        char* s = nullptr;
        char* host = nullptr;
        if (curl_url_get(u, CURLUPART_SCHEME, &s, 0) == CURLUE_OK &&
            curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK && host && *host)
            scheme = AsciiLower(s);
        curl_free(s);
        curl_free(host);
    }
    curl_url_cleanup(u);
    return scheme;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == prefix;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// Permanent answers: asking again will not change them.
bool permanentHttpError(long code) {
    return code >= 400 && code < 500 && code != 408 && code != 429;
}

struct Segment {
    int64_t start = 0;
    int64_t end = -1; // inclusive; -1 while the length is unknown
    int64_t got = 0;
    int attempts = 0;
    bool done = false;
    int64_t length() const { return end - start + 1; }
    bool complete() const { return end >= 0 && got == length(); }
};

class TaskRun;

struct Transfer {
    TaskRun* run = nullptr;
    CURL* easy = nullptr;
    int segment = -1; // -1: the length probe
    bool rangeRequested = false;
    bool checked = false;  // first body bytes seen
    bool answered = false; // any header seen
    bool acceptRanges = false;
    int64_t contentRangeStart = -1;
    bool writeFailed = false;
    bool mismatch = false; // the server answered something other than what was asked
    bool paused = false;   // waiting for the speed limit's budget
    Clock::time_point lastActivity = Clock::now();
    char error[CURL_ERROR_SIZE] = {};
};

class TaskRun {
public:
    TaskRun(FileDownloader::Shared& shared, CURLM* multi, const DownloadTask& task)
        : m_s(shared), m_multi(multi), m_task(task), m_opt(shared.options), m_url(task.sourceUrl) {
        std::string scheme = lowerScheme(m_url);
        m_http = scheme == "http" || scheme == "https";
        m_target = FromGbk(task.localPath);
        m_file.setFileName(FromGbk(PartialFilePath(task.localPath)));
    }

    // Runs the task to its end; returns whether the complete file now stands at the local path.
    bool execute() {
        if (!probe()) return finishFailed();
        if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate | QIODevice::Unbuffered)) return finishFailed();
        plan(m_rangesOk ? m_task.segments : 1);
        drive();
        if (m_fallback && !m_fatal && !stopped()) {
            // The server ignored Range after all: fetch it whole, from the start.
            m_fallback = false;
            m_rangesOk = false;
            m_s.done = 0;
            m_file.resize(0);
            plan(1);
            drive();
        }
        if (m_fatal || stopped() || m_fallback) return finishFailed();
        for (const Segment& seg : m_segs)
            if (!seg.done) return finishFailed();
        if (m_length < 0) {
            m_length = m_segs.front().got;
            announce();
        }
        m_file.resize(m_length); // a restarted stream of unknown length may leave old bytes past its end
        if (m_file.size() != m_length || m_s.done.load() != m_length) return finishFailed();
        m_file.close();
        if (QFile::exists(m_target) && !QFile::remove(m_target)) return finishFailed();
        if (!m_file.rename(m_target)) return finishFailed();
        return true;
    }

    static size_t onHeader(char* buffer, size_t size, size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        const size_t n = size * count;
        std::string_view line(buffer, n);
        t->answered = true;
        t->lastActivity = Clock::now();
        if (startsWithNoCase(line, "http/")) {
            // Each answer of a redirect chain brings its own headers.
            t->acceptRanges = false;
            t->contentRangeStart = -1;
        } else if (startsWithNoCase(line, "accept-ranges:")) {
            t->acceptRanges = ContainsText(AsciiLower(trim(line.substr(14))), "bytes");
        } else if (startsWithNoCase(line, "content-range:")) {
            std::string_view v = trim(line.substr(14));
            if (startsWithNoCase(v, "bytes")) {
                v = trim(v.substr(5));
                int64_t first = 0;
                size_t i = 0;
                for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i)
                    first = first * 10 + (v[i] - '0');
                if (i > 0 && i < v.size() && v[i] == '-') t->contentRangeStart = first;
            }
        }
        return n;
    }

    static size_t onWrite(char* data, size_t size, size_t count, void* user) {
        auto* t = static_cast<Transfer*>(user);
        return t->run->write(*t, data, size * count);
    }

private:
    bool stopped() const { return m_s.stopping.load(); }

    void event(int type, int connection, int64_t value, int64_t reserved = 0) {
        if (m_task.callback && !stopped()) m_task.callback(type, connection, value, reserved, m_task);
    }

    void announce() {
        if (m_announced) return;
        m_announced = true;
        event(kEventLengthKnown, 0, m_length);
    }

    bool finishFailed() {
        if (m_file.isOpen()) m_file.close();
        m_file.remove();
        return false;
    }

    // HEAD: the length, whether parts may be asked for, and where redirects lead.
    bool probe() {
        auto t = newTransfer(-1);
        curl_easy_setopt(t->easy, CURLOPT_NOBODY, 1L);
        m_active.push_back(std::move(t));
        curl_multi_add_handle(m_multi, m_active.back()->easy);
        event(kEventConnectionStarted, 0, 0);
        drive();
        return m_probeOk && !stopped();
    }

    void probeDone(Transfer& t, CURLcode code) {
        long http = 0;
        curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &http);
        if (code == CURLE_OK) {
            curl_off_t length = -1;
            curl_easy_getinfo(t.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            char* effective = nullptr;
            curl_easy_getinfo(t.easy, CURLINFO_EFFECTIVE_URL, &effective);
            if (effective) m_url = effective;
            m_length = length >= 0 ? length : -1;
            m_rangesOk = m_length >= 0 && (m_http ? t.acceptRanges : true);
            m_probeOk = true;
            if (m_length >= 0) announce();
        } else if (code == CURLE_HTTP_RETURNED_ERROR && m_http) {
            // Some servers refuse HEAD; the first answer to a GET will tell.
            m_probeOk = true;
        }
    }

    void plan(int wanted) {
        m_segs.clear();
        m_queue.clear();
        int parts = 1;
        if (m_rangesOk && m_length > 0) {
            int64_t bySize = std::max<int64_t>(1, m_length / std::max<int64_t>(1, m_opt.minSegmentBytes));
            parts = static_cast<int>(std::clamp<int64_t>(std::min<int64_t>(bySize, m_length), 1, std::max(1, wanted)));
        }
        if (m_length == 0) {
            m_segs.push_back(Segment{0, -1, 0, 0, true});
            return;
        }
        const int64_t part = m_length > 0 ? m_length / parts : 0;
        for (int i = 0; i < parts; ++i) {
            Segment seg;
            seg.start = part * i;
            seg.end = m_length < 0 ? -1 : (i == parts - 1 ? m_length - 1 : seg.start + part - 1);
            m_segs.push_back(seg);
            m_queue.push_back({i, Clock::now()});
        }
    }

    std::unique_ptr<Transfer> newTransfer(int segment) {
        auto t = std::make_unique<Transfer>();
        t->run = this;
        t->segment = segment;
        CURL* e = curl_easy_init();
        t->easy = e;
        curl_easy_setopt(e, CURLOPT_URL, m_url.c_str());
        curl_easy_setopt(e, CURLOPT_PRIVATE, t.get());
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
        curl_easy_setopt(e, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::max(1, m_task.connectTimeoutMs)));
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t->error);
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &TaskRun::onHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, t.get());
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &TaskRun::onWrite);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, t.get());
        if (!m_http) {
            curl_easy_setopt(e, CURLOPT_USERNAME, m_task.ftpUser.c_str());
            curl_easy_setopt(e, CURLOPT_PASSWORD, m_task.ftpPassword.c_str());
            curl_easy_setopt(e, CURLOPT_TRANSFERTEXT, ftpTextMode() ? 1L : 0L);
        }
        return t;
    }

    bool ftpTextMode() const {
        if (m_task.ftpTransferMode == 1) return false;
        if (m_task.ftpTransferMode != 3) return true;
        std::string path = AsciiLower(m_task.sourceUrl);
        path = path.substr(0, path.find_first_of("?#"));
        const size_t slash = path.rfind('/');
        const size_t dot = path.rfind('.');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return true;
        const std::string ending = path.substr(dot);
        for (const std::string& e : SplitText(AsciiLower(m_task.binaryEndings), "|"))
            if (e == ending) return false;
        return true;
    }

    void startSegment(int index) {
        Segment& seg = m_segs[static_cast<size_t>(index)];
        auto t = newTransfer(index);
        const int64_t from = seg.start + seg.got;
        const bool whole = from == 0 && (seg.end < 0 || seg.end == m_length - 1);
        if (!whole) {
            std::string range = std::to_string(from) + "-" + (seg.end >= 0 ? std::to_string(seg.end) : "");
            curl_easy_setopt(t->easy, CURLOPT_RANGE, range.c_str()); // copied by libcurl
            t->rangeRequested = true;
        }
        if (m_task.speedLimit <= 0)
            curl_easy_setopt(t->easy, CURLOPT_BUFFERSIZE,
                             static_cast<long>(std::clamp(m_task.receiveBlockSize, 1024, CURL_MAX_READ_SIZE)));
        m_active.push_back(std::move(t));
        curl_multi_add_handle(m_multi, m_active.back()->easy);
        event(kEventConnectionStarted, index + 1, from);
    }

    size_t write(Transfer& t, const char* data, size_t n) {
        t.lastActivity = Clock::now();
        if (t.segment < 0) return n;
        if (limited()) {
            refill();
            if (m_tokens <= 0) {
                t.paused = true; // libcurl hands the same bytes in again after the resume
                return CURL_WRITEFUNC_PAUSE;
            }
            m_tokens -= static_cast<double>(n);
        }
        Segment& seg = m_segs[static_cast<size_t>(t.segment)];
        if (!t.checked) {
            t.checked = true;
            if (m_http && !firstAnswerOk(t, seg)) return 0;
        }
        const int64_t at = seg.start + seg.got;
        size_t take = n;
        if (seg.end >= 0) take = static_cast<size_t>(std::clamp<int64_t>(seg.end + 1 - at, 0, static_cast<int64_t>(n)));
        if (take > 0) {
            if (!m_file.seek(at) || m_file.write(data, static_cast<qint64>(take)) != static_cast<qint64>(take)) {
                t.writeFailed = true;
                return 0;
            }
            seg.got += static_cast<int64_t>(take);
            m_s.done += static_cast<int64_t>(take);
        }
        return take == n ? n : 0; // bytes past the part: it is complete, this connection ends
    }

    // The speed limit is one budget for the whole task: every connection draws on it, and a connection that
    // finds it empty pauses (and so stops reading its socket) until it has filled again. Per-connection
    // limits alone let every part arrive in one burst when the parts are small.
    bool limited() const { return m_task.speedLimit > 0; }
    double capacity() const { return std::max(16384.0, m_task.speedLimit / 8.0); }
    void refill() {
        const auto now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - m_tokenTime).count();
        m_tokenTime = now;
        m_tokens = std::min(capacity(), m_tokens + seconds * m_task.speedLimit);
    }
    // Resumes paused connections when the budget allows; answers how long to wait before looking again.
    int resumePaused() {
        if (!limited()) return 100;
        refill();
        bool anyPaused = false;
        for (auto& t : m_active) {
            if (!t->paused) continue;
            if (m_tokens > 0) {
                t->paused = false;
                t->lastActivity = Clock::now();
                curl_easy_pause(t->easy, CURLPAUSE_CONT);
            }
            anyPaused = anyPaused || t->paused;
        }
        if (!anyPaused) return 100;
        const double ms = m_tokens > 0 ? 1.0 : -m_tokens * 1000.0 / m_task.speedLimit;
        return static_cast<int>(std::clamp(ms, 1.0, 100.0));
    }

    bool firstAnswerOk(Transfer& t, Segment& seg) {
        long code = 0;
        curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &code);
        const bool onlyPart = m_segs.size() == 1;
        if (t.rangeRequested) {
            if (code == 206) {
                if (t.contentRangeStart != seg.start + seg.got) {
                    t.mismatch = true;
                    return false;
                }
                return true;
            }
            if (code != 200) return true;
            if (!onlyPart) {
                m_fallback = true;
                return false;
            }
            // A resumed whole-file stream that got the whole file again: start over.
            m_s.done -= seg.got;
            seg.got = 0;
        }
        if (onlyPart && code == 200) {
            curl_off_t length = -1;
            curl_easy_getinfo(t.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            if (length >= 0 && m_length >= 0 && length != m_length) {
                t.mismatch = true; // the file changed since its length was announced
                return false;
            }
            if (length >= 0 && m_length < 0) {
                m_length = length;
                seg.end = length - 1;
                announce();
            }
            if (length >= 0 && t.acceptRanges) m_rangesOk = true;
        }
        return true;
    }

    void finish(Transfer& t, CURLcode code) {
        curl_multi_remove_handle(m_multi, t.easy);
        event(kEventConnectionEnded, t.segment + 1, code);
        if (t.segment < 0) {
            probeDone(t, code);
            return;
        }
        Segment& seg = m_segs[static_cast<size_t>(t.segment)];
        if (m_fallback) return;
        if (t.writeFailed || t.mismatch) {
            m_fatal = true;
            return;
        }
        if (seg.complete() || (seg.end < 0 && code == CURLE_OK)) {
            seg.done = true;
            return;
        }
        long http = 0;
        curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &http);
        if ((code == CURLE_HTTP_RETURNED_ERROR && permanentHttpError(http)) || seg.attempts >= m_opt.retries) {
            m_fatal = true;
            return;
        }
        ++seg.attempts;
        if (!m_rangesOk) {
            m_s.done -= seg.got;
            seg.got = 0;
        }
        m_queue.push_back({t.segment, Clock::now() + std::chrono::milliseconds(m_opt.retryDelayMs)});
    }

    void removeTransfer(Transfer* t) {
        curl_easy_cleanup(t->easy);
        m_active.erase(std::find_if(m_active.begin(), m_active.end(), [t](auto& p) { return p.get() == t; }));
    }

    void abortAll() {
        for (auto& t : m_active) {
            curl_multi_remove_handle(m_multi, t->easy);
            curl_easy_cleanup(t->easy);
        }
        m_active.clear();
        m_queue.clear();
    }

    // Runs the transfers until none is left, the task failed, it must start over, or the downloader stops.
    void drive() {
        while (!m_active.empty() || !m_queue.empty()) {
            if (stopped() || m_fatal || m_fallback) break;
            const auto now = Clock::now();
            auto waitUntil = now + std::chrono::milliseconds(100);
            for (auto it = m_queue.begin(); it != m_queue.end() && m_active.size() < size_t(m_opt.maxConnections);) {
                if (it->second <= now) {
                    const int index = it->first;
                    it = m_queue.erase(it);
                    startSegment(index);
                } else {
                    waitUntil = std::min(waitUntil, it->second);
                    ++it;
                }
            }
            const int resumeMs = resumePaused();
            waitUntil = std::min(waitUntil, Clock::now() + std::chrono::milliseconds(resumeMs));
            int running = 0;
            curl_multi_perform(m_multi, &running);
            int left = 0;
            while (CURLMsg* msg = curl_multi_info_read(m_multi, &left)) {
                if (msg->msg != CURLMSG_DONE) continue;
                Transfer* t = nullptr;
                curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, reinterpret_cast<char**>(&t));
                const CURLcode code = msg->data.result;
                finish(*t, code);
                removeTransfer(t);
            }
            if (m_fatal || m_fallback || stopped() || (m_active.empty() && m_queue.empty())) break;
            expireSilent();
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(waitUntil - Clock::now()).count();
            curl_multi_poll(m_multi, nullptr, 0, static_cast<int>(std::clamp<int64_t>(ms, 0, 100)), nullptr);
        }
        abortAll();
    }

    // A connection that stays silent longer than the timeouts allow is ended and its part tried again.
    void expireSilent() {
        const auto now = Clock::now();
        std::vector<Transfer*> silent;
        for (auto& t : m_active) {
            if (t->paused) continue; // held back by the speed limit, not silent
            const int64_t limit =
                t->answered ? int64_t(m_task.receiveTimeoutMs)
                            : int64_t(m_task.connectTimeoutMs) + m_task.sendTimeoutMs + m_task.receiveTimeoutMs;
            if (now - t->lastActivity > std::chrono::milliseconds(std::max<int64_t>(1, limit)))
                silent.push_back(t.get());
        }
        for (Transfer* t : silent) {
            finish(*t, CURLE_OPERATION_TIMEDOUT);
            removeTransfer(t);
        }
    }

    FileDownloader::Shared& m_s;
    CURLM* m_multi;
    const DownloadTask& m_task;
    DownloaderOptions m_opt;
    std::string m_url;
    bool m_http = false;
    QString m_target;
    QFile m_file;
    bool m_probeOk = false;
    bool m_rangesOk = false;
    bool m_announced = false;
    bool m_fatal = false;
    bool m_fallback = false;
    int64_t m_length = -1;
    double m_tokens = 16384;
    Clock::time_point m_tokenTime = Clock::now();
    std::vector<Segment> m_segs;
    std::deque<std::pair<int, Clock::time_point>> m_queue; // parts waiting for a connection, and from when
    std::vector<std::unique_ptr<Transfer>> m_active;
};

void workerMain(std::shared_ptr<FileDownloader::Shared> s) {
    CURLM* multi = curl_multi_init();
    {
        std::lock_guard lock(s->mutex);
        s->multi = multi;
    }
    for (;;) {
        DownloadTask task;
        {
            std::unique_lock lock(s->mutex);
            s->wake.wait(lock, [&] { return s->stopping.load() || s->pending.has_value(); });
            if (s->stopping) break;
            task = std::move(*s->pending);
            s->pending.reset();
        }
        bool complete = false;
        {
            TaskRun run(*s, multi, task);
            complete = run.execute();
        }
        {
            // Idle before the last event, so that its handler may already hand in the next task.
            std::lock_guard lock(s->mutex);
            s->busy = false;
        }
        if (task.callback && !s->stopping) task.callback(kEventTaskEnded, 0, s->done.load(), complete ? 1 : 0, task);
    }
    {
        std::lock_guard lock(s->mutex);
        s->multi = nullptr;
        s->pending.reset();
    }
    curl_multi_cleanup(multi);
    {
        std::lock_guard lock(s->mutex);
        s->finished = true;
    }
    s->finishedCv.notify_all();
}

} // namespace

std::string PartialFilePath(const std::string& localPath) {
    return localPath + ".part";
}

bool IsDownloadableUrl(std::string_view url) {
    if (url.empty()) return false;
    globalInit();
    const std::string scheme = lowerScheme(url);
    return scheme == "http" || scheme == "https" || scheme == "ftp";
}

FileDownloader::FileDownloader(DownloaderOptions options) : m_shared(std::make_shared<Shared>()) {
    globalInit();
    m_shared->options = options;
    m_shared->options.maxConnections = std::max(1, options.maxConnections);
    m_shared->options.retries = std::max(0, options.retries);
    m_shared->options.retryDelayMs = std::max(0, options.retryDelayMs);
}

FileDownloader::~FileDownloader() {
    stop();
}

bool FileDownloader::addTask(const DownloadTask& task) {
    if (!(task.flags & kDownloadFlag) || task.localPath.empty() || !IsDownloadableUrl(task.sourceUrl)) return false;
    std::lock_guard lock(m_shared->mutex);
    if (m_shared->stopping || m_shared->busy) return false;
    m_shared->busy = true;
    m_shared->stopWaitMs = task.stopWaitMs;
    m_shared->done = 0;
    m_shared->pending = task;
    if (!m_thread.joinable()) m_thread = std::thread(workerMain, m_shared);
    m_shared->wake.notify_all();
    if (m_shared->multi) curl_multi_wakeup(m_shared->multi);
    return true;
}

int64_t FileDownloader::doneLength() const {
    return m_shared->done.load();
}

void FileDownloader::stop() {
    int32_t waitMs = 1000;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
        waitMs = std::max(0, m_shared->stopWaitMs);
        if (m_shared->multi) curl_multi_wakeup(m_shared->multi);
        m_shared->wake.notify_all();
    }
    if (!m_thread.joinable()) return;
    std::unique_lock lock(m_shared->mutex);
    const bool ended =
        m_shared->finishedCv.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return m_shared->finished; });
    lock.unlock();
    // A worker held up in a callback keeps its own share of the state and ends when the callback returns.
    if (ended)
        m_thread.join();
    else
        m_thread.detach();
}

std::unique_ptr<FileDownloader> CreateDownloader(DownloaderOptions options) {
    return std::make_unique<FileDownloader>(options);
}

bool AddTask(FileDownloader& downloader, const DownloadTask& task) {
    return downloader.addTask(task);
}

int64_t DoneLength(const FileDownloader& downloader) {
    return downloader.doneLength();
}

void DestroyDownloader(std::unique_ptr<FileDownloader>& downloader) {
    downloader.reset();
}

} // namespace tk
