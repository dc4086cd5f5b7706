#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

// The segmented file downloader: one worker thread with a curl multi handle, one task at a time.
namespace tk {

struct DownloadTask;

// Event types passed to the task's callback. Every event is delivered on the downloader's own thread.
enum DownloadEventType : int {
    kEventConnectionStarted = 1, // connection: transfer number (0 = the length probe); value: first byte asked for
    kEventConnectionEnded = 2,   // connection: as above; value: the libcurl result of that transfer
    kEventLengthKnown = 3,       // value: total length in bytes; sent at most once per task
    kEventTaskEnded = 4,         // value: bytes received; reserved: 1 when the complete file now stands at the
                                 // local path, 0 when it does not. Sent once per accepted task, last.
};

// (type, connection, value, reserved, task) -> answer; the answer is not examined.
using DownloadCallback =
    std::function<int(int type, int connection, int64_t value, int64_t reserved, const DownloadTask& task)>;

inline constexpr int32_t kDownloadFlag = 4096;

// The task record. Defaults are the start-up values; fields marked reserved carry nothing.
struct DownloadTask {
    int32_t flags = 1;     // kDownloadFlag marks a download; a task without it is refused
    std::string sourceUrl; // http, https or ftp
    std::string localPath; // GBK text; the file grows beside it under PartialFilePath() until complete
    std::string ftpUser = "anonymous";
    std::string ftpPassword = "anonymous@example.com";
    int32_t segments = 1;   // equal parts, the last one takes the remainder; small files go as one part
    int32_t speedLimit = 0; // bytes per second for the whole task, shared by its connections; 0 = none
    int32_t connectTimeoutMs = 20000;
    int32_t sendTimeoutMs = 20000;
    int32_t receiveTimeoutMs = 20000; // longest silence on a connection before it is given up and retried
    int32_t stopWaitMs = 1000;
    int32_t receiveBlockSize = 20480; // receive buffer when there is no speed limit
    int32_t sendBlockSize = 1024;
    int32_t reserved14 = 0;
    DownloadCallback callback;
    std::string reserved16;
    int32_t ftpTransferMode = 1; // 1 binary, 3 binary for the endings in binaryEndings, else text
    std::string binaryEndings = ".exe|.rar|.zip|.gif|.jpg|.mp3|.rm";
    std::string reserved19;
    std::string reserved20;
};

// Tuning that the task record does not carry.
struct DownloaderOptions {
    int maxConnections = 8;              // transfers at once; further segments wait their turn
    int64_t minSegmentBytes = 64 * 1024; // a file is cut into no more parts than it has of these
    int retries = 3;                     // further attempts of a failed segment, resuming where it stopped
    int retryDelayMs = 250;
};

class FileDownloader {
public:
    explicit FileDownloader(DownloaderOptions options = {});
    ~FileDownloader(); // stops and releases, as DestroyDownloader
    FileDownloader(const FileDownloader&) = delete;
    FileDownloader& operator=(const FileDownloader&) = delete;

    // Accepts the task and returns at once. Refused (false, and no event ever) when a task is still running,
    // the record is not a download, the local path is empty or the address is not one we can fetch.
    bool addTask(const DownloadTask& task);
    // Bytes the current (or last) task has received; 0 before any task. Kept after the task ends.
    int64_t doneLength() const;
    // Stops a running task without further events and ends the worker. Waits for it up to the task's stop
    // wait; a worker still busy in a callback after that is left to finish on its own.
    void stop();

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

std::unique_ptr<FileDownloader> CreateDownloader(DownloaderOptions options = {});
bool AddTask(FileDownloader& downloader, const DownloadTask& task);
int64_t DoneLength(const FileDownloader& downloader);
// Stops a running task and releases the downloader; the pointer is empty afterwards.
void DestroyDownloader(std::unique_ptr<FileDownloader>& downloader);

// The name a download is written under until it is complete (GBK, beside the local path).
std::string PartialFilePath(const std::string& localPath);
// Whether the address is one the downloader accepts (http, https or ftp with a host).
bool IsDownloadableUrl(std::string_view url);

} // namespace tk
