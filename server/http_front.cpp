#include "http_front.h"

#include <httplib.h>

namespace tk::gateway {

std::optional<std::string> FormValue(std::string_view body, std::string_view key) {
    size_t pos = 0;
    while (pos <= body.size()) {
        size_t amp = body.find('&', pos);
        std::string_view pair = body.substr(pos, amp == std::string_view::npos ? std::string_view::npos : amp - pos);
        size_t eq = pair.find('=');
        if (pair.substr(0, eq) == key) return std::string(eq == std::string_view::npos ? "" : pair.substr(eq + 1));
        if (amp == std::string_view::npos) break;
        pos = amp + 1;
    }
    return std::nullopt;
}

HttpFront::HttpFront(GatewayService& service, FrontOptions options)
    : m_service(service), m_options(std::move(options)), m_server(std::make_unique<httplib::Server>()) {
    httplib::Server& svr = *m_server;
    svr.set_payload_max_length(m_options.maxBody);
    // Every refusal from the library itself (too large, malformed, unknown path) answers "-1": a query
    // client reads it as no result, an execute client as failure.
    svr.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty()) res.set_content("-1", "text/plain");
    });
    svr.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        res.status = 500;
        res.set_content("-1", "text/plain");
    });

    svr.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/plain"); });

    svr.Get(m_options.page, [this](const httplib::Request& req, httplib::Response& res) {
        std::string c = req.get_param_value("C");
        if (c == "4") {
            res.set_content(req.remote_addr, "text/plain");
        } else if (c == "3") {
            res.set_content(std::to_string(m_service.clock()), "text/plain");
        } else {
            res.status = 400;
            res.set_content("-1", "text/plain");
        }
    });

    svr.Post(m_options.page, [this](const httplib::Request& req, httplib::Response& res) {
        auto c = FormValue(req.body, "C");
        auto post = FormValue(req.body, "post");
        if (!c && req.has_param("C")) c = req.get_param_value("C");
        if (!post && req.has_param("post")) post = req.get_param_value("post");
        if (c == "2") {
            res.set_content(m_service.query(post.value_or("")), "text/plain");
        } else if (c == "1") {
            res.set_content(m_service.execute(post.value_or("")), "text/plain");
        } else {
            res.status = 400;
            res.set_content("-1", "text/plain");
        }
    });
}

HttpFront::~HttpFront() = default;

int HttpFront::bind(const std::string& host, int port) {
    if (port == 0) return m_server->bind_to_any_port(host);
    return m_server->bind_to_port(host, port) ? port : -1;
}

bool HttpFront::run() { return m_server->listen_after_bind(); }

void HttpFront::stop() { m_server->stop(); }

} // namespace tk::gateway
