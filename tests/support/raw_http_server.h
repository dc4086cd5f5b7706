#pragma once
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tk::test {

// One request exactly as it arrived on the socket.
struct RawRequest {
    std::string raw;    // every byte, request line to the end of the body
    std::string method; // as sent
    std::string target; // path and query as sent
    std::vector<std::pair<std::string, std::string>> headers; // in wire order, names as sent
    std::string body;
    std::string headerNames() const; // "Host|User-Agent|..." in wire order
    std::string header(const std::string& name) const; // first value by exact name, "" when absent
};

struct RawReply {
    std::string body;
    std::string extraHeaders; // lines, each ending in "\r\n"
    bool never = false;       // hold the connection open without answering until the client goes
};

// A bare HTTP/1.1 listener on 127.0.0.1 with a free port, for tests that look at the wire: no library in
// between that would reorder or normalise headers. One thread per connection; every reply closes it.
class RawHttpServer {
public:
    using Handler = std::function<RawReply(const RawRequest&)>;
    explicit RawHttpServer(Handler handler);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    int port() const { return m_port; }
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }
    std::vector<RawRequest> requests() const;
    RawRequest lastRequest() const;
    size_t count(const std::string& target) const; // requests seen with this target
    int openConnections() const { return m_open.load(); }

private:
    void acceptLoop();
    void serve(int fd);

    Handler m_handler;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_open{0};
    mutable std::mutex m_lock;
    std::vector<RawRequest> m_requests;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

// A port on 127.0.0.1 where nothing listens (bound once and closed again).
int unusedPort();

} // namespace tk::test
