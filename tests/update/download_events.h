#pragma once
#include "update/downloader.h"

#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace tk::test {

struct DownloadEventRecord {
    int type;
    int connection;
    int64_t value;
    int64_t reserved;
};

// Collects what the downloader reports, from its thread, for the test's thread to look at.
class DownloadEvents {
public:
    DownloadCallback callback() {
        return [this](int type, int connection, int64_t value, int64_t reserved, const DownloadTask&) {
            std::lock_guard lock(m_mutex);
            m_events.push_back({type, connection, value, reserved});
            m_cv.notify_all();
            return 0;
        };
    }

    // Waits for the end of a task; the limit only keeps a broken downloader from hanging the suite.
    bool waitForEnd(int ends = 1, std::chrono::seconds limit = std::chrono::seconds(60)) {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, limit, [&] { return countLocked(kEventTaskEnded) >= ends; });
    }

    std::vector<DownloadEventRecord> all() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }
    std::vector<DownloadEventRecord> ofType(int type) const {
        std::vector<DownloadEventRecord> out;
        for (const auto& e : all())
            if (e.type == type) out.push_back(e);
        return out;
    }
    int count(int type) const {
        std::lock_guard lock(m_mutex);
        return countLocked(type);
    }
    // The most connections the events show open at once (probe included).
    int maxOpen() const {
        int open = 0, most = 0;
        for (const auto& e : all()) {
            if (e.type == kEventConnectionStarted) most = std::max(most, ++open);
            if (e.type == kEventConnectionEnded) --open;
        }
        return most;
    }
    void clear() {
        std::lock_guard lock(m_mutex);
        m_events.clear();
    }

private:
    int countLocked(int type) const {
        int n = 0;
        for (const auto& e : m_events)
            n += e.type == type ? 1 : 0;
        return n;
    }
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<DownloadEventRecord> m_events;
};

inline std::string ReadWholeFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = f.readAll();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace tk::test
