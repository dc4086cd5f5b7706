#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A loopback TCP server that records every raw request it receives and answers each with the bytes that
// respond() returns for it. For tests of the client's wire behaviour.
class RawServer {
public:
    using Responder = std::function<std::string(const std::string& rawRequest)>;
    explicit RawServer(Responder respond);
    ~RawServer();

    int port() const { return m_port; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    std::vector<std::string> requests();

    // The request line and header lines of a raw request, without the request line.
    static std::vector<std::string> headerLines(const std::string& raw);
    static std::string requestLine(const std::string& raw);
    static std::string body(const std::string& raw);

private:
    void run();
    int m_listen = -1;
    int m_port = 0;
    bool m_stop = false;
    Responder m_respond;
    std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};
