#pragma once
#include "gateway_service.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
}

// The HTTP face of the gateway: the page answers "?C=4" and "?C=3" on GET, "C=1" and "C=2" on POST;
// the root answers a short "ok" for the client's internet probe.
namespace tk::gateway {

struct FrontOptions {
    std::string page = "/link.asp";
    size_t maxBody = 1 << 20;
};

class HttpFront {
public:
    HttpFront(GatewayService& service, FrontOptions options);
    ~HttpFront();

    // Binds and listens; the port actually taken (port 0 picks a free one), or -1.
    int bind(const std::string& host, int port);
    // Serves until stop(); returns false when it could not run.
    bool run();
    void stop();

private:
    GatewayService& m_service;
    FrontOptions m_options;
    std::unique_ptr<httplib::Server> m_server;
};

// "a=1&b=2" to the value of one key (no percent decoding: the gateway's values are hex digits and digits).
std::optional<std::string> FormValue(std::string_view body, std::string_view key);

} // namespace tk::gateway
