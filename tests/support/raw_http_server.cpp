#include "support/raw_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <strings.h>

namespace tk::test {
namespace {

int listenLoopback(int* port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    *port = ntohs(addr.sin_port);
    return fd;
}

// Waits up to ms for fd to be readable; false on timeout.
bool readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

bool parse(std::string& buffer, RawRequest& req) {
    size_t end = buffer.find("\r\n\r\n");
    if (end == std::string::npos) return false;
    std::string head = buffer.substr(0, end);
    size_t lineEnd = head.find("\r\n");
    std::string requestLine = head.substr(0, lineEnd);
    size_t sp1 = requestLine.find(' ');
    size_t sp2 = requestLine.find(' ', sp1 + 1);
    req.method = requestLine.substr(0, sp1);
    req.target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
    req.headers.clear();
    size_t contentLength = 0;
    size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (pos < head.size()) {
        size_t next = head.find("\r\n", pos);
        if (next == std::string::npos) next = head.size();
        std::string line = head.substr(pos, next - pos);
        size_t colon = line.find(':');
        std::string name = line.substr(0, colon);
        std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
        while (!value.empty() && value.front() == ' ') value.erase(0, 1);
        if (strcasecmp(name.c_str(), "Content-Length") == 0) contentLength = std::stoul(value);
        req.headers.emplace_back(name, value);
        pos = next + 2;
    }
    if (buffer.size() < end + 4 + contentLength) return false;
    req.body = buffer.substr(end + 4, contentLength);
    req.raw = buffer.substr(0, end + 4 + contentLength);
    return true;
}

} // namespace

std::string RawRequest::headerNames() const {
    std::string out;
    for (const auto& [name, value] : headers) out += (out.empty() ? "" : "|") + name;
    return out;
}

std::string RawRequest::header(const std::string& name) const {
    for (const auto& [n, v] : headers)
        if (n == name) return v;
    return {};
}

RawHttpServer::RawHttpServer(Handler handler) : m_handler(std::move(handler)) {
    m_listen = listenLoopback(&m_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

RawHttpServer::~RawHttpServer() {
    m_stop = true;
    m_acceptor.join();
    for (std::thread& t : m_threads) t.join();
    if (m_listen >= 0) ::close(m_listen);
}

void RawHttpServer::acceptLoop() {
    while (!m_stop) {
        if (m_listen < 0 || !readable(m_listen, 50)) continue;
        int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard<std::mutex> guard(m_lock);
        m_threads.emplace_back([this, fd] { serve(fd); });
    }
}

void RawHttpServer::serve(int fd) {
    ++m_open;
    std::string buffer;
    RawRequest req;
    bool complete = false;
    char chunk[4096];
    while (!m_stop && !complete) {
        if (!readable(fd, 50)) continue;
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        buffer.append(chunk, static_cast<size_t>(n));
        complete = parse(buffer, req);
    }
    if (complete) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_requests.push_back(req);
        }
        RawReply reply = m_handler(req);
        if (reply.never) {
            // Keep the connection until the client gives up or the server goes.
            while (!m_stop) {
                if (!readable(fd, 50)) continue;
                if (::recv(fd, chunk, sizeof chunk, 0) <= 0) break;
            }
        } else {
            std::string out = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(reply.body.size()) +
                              "\r\n" + reply.extraHeaders + "Connection: close\r\n\r\n" + reply.body;
            size_t sent = 0;
            while (sent < out.size()) {
                ssize_t n = ::send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
        }
    }
    ::close(fd);
    --m_open;
}

std::vector<RawRequest> RawHttpServer::requests() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

RawRequest RawHttpServer::lastRequest() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests.empty() ? RawRequest{} : m_requests.back();
}

size_t RawHttpServer::count(const std::string& target) const {
    std::lock_guard<std::mutex> guard(m_lock);
    size_t n = 0;
    for (const RawRequest& r : m_requests) n += r.target == target;
    return n;
}

int unusedPort() {
    int port = 0;
    int fd = listenLoopback(&port);
    if (fd >= 0) ::close(fd);
    return port;
}

} // namespace tk::test
