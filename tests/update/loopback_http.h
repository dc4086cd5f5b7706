#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// A small HTTP/1.1 server on 127.0.0.1 for the downloader tests: one request per connection, every way of
// answering under the test's control (parts or not, early close, silence).
namespace tk::test {

struct HttpRequest {
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers; // names in lower case
    bool hasRange = false;
    int64_t rangeFirst = 0;
    int64_t rangeLast = -1; // -1: to the end
};

class LoopbackHttpServer;

class HttpConnection {
public:
    HttpConnection(LoopbackHttpServer& server, int fd) : m_server(server), m_fd(fd) {}
    ~HttpConnection();
    bool send(std::string_view bytes);
    // Leaves the count of open connections before the last write, so that the client, which can only
    // go on after that write, never sees a count that is still about to drop.
    void leaveGauge();
    LoopbackHttpServer& server() { return m_server; }

private:
    LoopbackHttpServer& m_server;
    int m_fd;
    bool m_counted = true;
};

class LoopbackHttpServer {
public:
    using Handler = std::function<void(const HttpRequest&, HttpConnection&)>;
    explicit LoopbackHttpServer(Handler handler);
    ~LoopbackHttpServer();

    int port() const { return m_port; }
    std::string url(std::string_view path) const;
    bool stopping() const { return m_stopping.load(); }
    int maxOpen() const { return m_maxOpen.load(); }
    std::vector<HttpRequest> requests() const;
    // Ends the connections that are still open; joins every thread.
    void stop();

private:
    friend class HttpConnection;
    void acceptLoop();
    void serve(int fd);

    Handler m_handler;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_open{0};
    std::atomic<int> m_maxOpen{0};
    std::thread m_acceptThread;
    mutable std::mutex m_mutex;
    std::vector<std::thread> m_threads;
    std::vector<int> m_fds;
    std::vector<HttpRequest> m_requests;
};

// How ServeBody answers.
struct ServeOptions {
    bool advertiseRanges = true; // "Accept-Ranges: bytes" on every answer
    bool honourRange = true;     // false: a Range request gets the whole body with 200
    bool chunked = false;        // no Content-Length; chunked encoding
    int headStatus = 0;          // non-zero: HEAD gets this status and no length
    int64_t closeAt = -1;        // absolute body offset at which the connection is closed early
    bool stallAtClose = false;   // at closeAt, fall silent (until the server stops) instead of closing
    size_t piece = 16 * 1024;    // bytes per write
    int pieceDelayMs = 0;        // pause between writes
};
void ServeBody(const HttpRequest& request, HttpConnection& connection, const std::string& body,
               const ServeOptions& options = {});

// Body of n bytes that tells its positions apart.
std::string PatternBody(size_t n, unsigned seed = 1);

} // namespace tk::test
