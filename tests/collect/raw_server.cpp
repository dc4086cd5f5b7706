#include "raw_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

RawServer::RawServer(Responder respond) : m_respond(std::move(respond)) {
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(m_listen, 16);
    socklen_t len = sizeof addr;
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { run(); });
}

RawServer::~RawServer() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_thread.join();
    ::close(m_listen);
}

std::vector<std::string> RawServer::requests() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void RawServer::run() {
    while (true) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop) return;
        }
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd < 0) continue;
        std::string raw;
        char buf[4096];
        size_t need = std::string::npos;
        while (true) {
            pollfd q{fd, POLLIN, 0};
            if (::poll(&q, 1, 5000) <= 0) break;
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0) break;
            raw.append(buf, static_cast<size_t>(n));
            size_t end = raw.find("\r\n\r\n");
            if (end == std::string::npos) continue;
            if (need == std::string::npos) {
                size_t length = 0;
                for (const std::string& line : headerLines(raw.substr(0, end + 2))) {
                    if (line.size() > 15 && strncasecmp(line.c_str(), "Content-Length:", 15) == 0)
                        length = std::strtoul(line.c_str() + 15, nullptr, 10);
                }
                need = end + 4 + length;
            }
            if (raw.size() >= need) break;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(raw);
        }
        std::string answer = m_respond(raw);
        size_t sent = 0;
        while (sent < answer.size()) {
            ssize_t n = ::send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        ::shutdown(fd, SHUT_WR);
        ::close(fd);
    }
}

std::string RawServer::requestLine(const std::string& raw) { return raw.substr(0, raw.find("\r\n")); }

std::vector<std::string> RawServer::headerLines(const std::string& raw) {
    std::vector<std::string> lines;
    size_t pos = raw.find("\r\n");
    size_t end = raw.find("\r\n\r\n");
    if (pos == std::string::npos) return lines;
    pos += 2;
    while (pos < raw.size() && (end == std::string::npos || pos <= end)) {
        size_t next = raw.find("\r\n", pos);
        if (next == std::string::npos || next == pos) break;
        lines.push_back(raw.substr(pos, next - pos));
        pos = next + 2;
    }
    return lines;
}

std::string RawServer::body(const std::string& raw) {
    size_t end = raw.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : raw.substr(end + 4);
}
