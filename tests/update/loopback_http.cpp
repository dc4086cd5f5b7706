#include "update/loopback_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace tk::test {

namespace {
std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    size_t b = s.find_last_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool parseRequest(const std::string& head, HttpRequest& req) {
    size_t lineEnd = head.find("\r\n");
    std::string first = head.substr(0, lineEnd);
    size_t sp1 = first.find(' ');
    size_t sp2 = first.find(' ', sp1 + 1);
    if (sp1 == std::string::npos || sp2 == std::string::npos) return false;
    req.method = first.substr(0, sp1);
    req.target = first.substr(sp1 + 1, sp2 - sp1 - 1);
    size_t pos = lineEnd + 2;
    while (pos < head.size()) {
        size_t end = head.find("\r\n", pos);
        if (end == std::string::npos || end == pos) break;
        std::string line = head.substr(pos, end - pos);
        size_t colon = line.find(':');
        if (colon != std::string::npos) req.headers[lower(line.substr(0, colon))] = trim(line.substr(colon + 1));
        pos = end + 2;
    }
    auto range = req.headers.find("range");
    if (range != req.headers.end() && range->second.rfind("bytes=", 0) == 0) {
        std::string spec = range->second.substr(6);
        size_t dash = spec.find('-');
        if (dash != std::string::npos && dash > 0) {
            req.hasRange = true;
            req.rangeFirst = std::stoll(spec.substr(0, dash));
            std::string last = spec.substr(dash + 1);
            req.rangeLast = last.empty() ? -1 : std::stoll(last);
        }
    }
    return true;
}
} // namespace

HttpConnection::~HttpConnection() {
    leaveGauge();
}

bool HttpConnection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void HttpConnection::leaveGauge() {
    if (m_counted) {
        m_counted = false;
        --m_server.m_open;
    }
}

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : m_handler(std::move(handler)) {
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(m_listen, 256);
    socklen_t len = sizeof addr;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop();
}

std::string LoopbackHttpServer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

std::vector<HttpRequest> LoopbackHttpServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void LoopbackHttpServer::stop() {
    if (m_stopping.exchange(true)) return;
    ::shutdown(m_listen, SHUT_RDWR);
    if (m_acceptThread.joinable()) m_acceptThread.join();
    ::close(m_listen);
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(m_mutex);
        for (int fd : m_fds)
            ::shutdown(fd, SHUT_RDWR);
        threads.swap(m_threads);
    }
    for (auto& t : threads)
        t.join();
}

void LoopbackHttpServer::acceptLoop() {
    for (;;) {
        int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd < 0) {
            if (m_stopping) return;
            continue;
        }
        std::lock_guard lock(m_mutex);
        if (m_stopping) {
            ::close(fd);
            return;
        }
        const int open = ++m_open;
        int seen = m_maxOpen.load();
        while (open > seen && !m_maxOpen.compare_exchange_weak(seen, open)) {
        }
        m_fds.push_back(fd);
        m_threads.emplace_back([this, fd] { serve(fd); });
    }
}

void LoopbackHttpServer::serve(int fd) {
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        head.append(buf, static_cast<size_t>(n));
    }
    {
        HttpConnection connection(*this, fd);
        HttpRequest req;
        if (head.find("\r\n\r\n") != std::string::npos && parseRequest(head, req)) {
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(req);
            }
            m_handler(req, connection);
        }
    }
    std::lock_guard lock(m_mutex);
    m_fds.erase(std::remove(m_fds.begin(), m_fds.end(), fd), m_fds.end());
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

void ServeBody(const HttpRequest& req, HttpConnection& conn, const std::string& body, const ServeOptions& opt) {
    const int64_t size = static_cast<int64_t>(body.size());
    std::string head;
    if (req.method == "HEAD") {
        if (opt.headStatus) {
            head = "HTTP/1.1 " + std::to_string(opt.headStatus) +
                   " Nope\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        } else {
            head = "HTTP/1.1 200 OK\r\n";
            if (!opt.chunked) head += "Content-Length: " + std::to_string(size) + "\r\n";
            if (opt.advertiseRanges) head += "Accept-Ranges: bytes\r\n";
            head += "Connection: close\r\n\r\n";
        }
        conn.leaveGauge();
        conn.send(head);
        return;
    }
    int64_t first = 0, last = size - 1;
    bool partial = false;
    if (req.hasRange && opt.honourRange) {
        first = req.rangeFirst;
        last = req.rangeLast < 0 ? size - 1 : std::min(req.rangeLast, size - 1);
        if (first >= size || first > last) {
            conn.leaveGauge();
            conn.send("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            return;
        }
        partial = true;
    }
    head = partial ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
    if (partial)
        head += "Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" +
                std::to_string(size) + "\r\n";
    if (opt.chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else
        head += "Content-Length: " + std::to_string(last - first + 1) + "\r\n";
    if (opt.advertiseRanges) head += "Accept-Ranges: bytes\r\n";
    head += "Connection: close\r\n\r\n";
    if (size == 0 && !opt.chunked) conn.leaveGauge();
    if (!conn.send(head)) return;
    int64_t at = first;
    while (at <= last) {
        if (conn.server().stopping()) return;
        int64_t n = std::min<int64_t>(static_cast<int64_t>(opt.piece), last - at + 1);
        bool cut = false;
        if (opt.closeAt >= 0 && at + n > opt.closeAt) {
            n = std::max<int64_t>(0, opt.closeAt - at);
            cut = true;
        }
        std::string out = body.substr(static_cast<size_t>(at), static_cast<size_t>(n));
        if (opt.chunked && n > 0) {
            char len[32];
            std::snprintf(len, sizeof len, "%llx\r\n", static_cast<unsigned long long>(n));
            out = len + out + "\r\n";
        }
        const bool lastWrite = !cut && at + n > last;
        if (lastWrite && !opt.chunked) conn.leaveGauge();
        if (!out.empty() && !conn.send(out)) return;
        at += n;
        if (cut) {
            while (opt.stallAtClose && !conn.server().stopping())
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return;
        }
        if (opt.pieceDelayMs > 0 && at <= last)
            for (int waited = 0; waited < opt.pieceDelayMs && !conn.server().stopping(); waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (opt.chunked) {
        conn.leaveGauge();
        conn.send("0\r\n\r\n");
    }
}

std::string PatternBody(size_t n, unsigned seed) {
    std::string body(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        body[i] = static_cast<char>(x >> 24);
    }
    return body;
}

} // namespace tk::test
