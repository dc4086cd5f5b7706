#pragma once
#include "support/server_process.h"

#include <QStringList>
#include <string>

namespace tk::test {
// A fresh taoke-gateway on a temporary database of its own, on a free loopback port.
// The database path is chosen when the fixture is made and kept for its life: stop() then start() serves
// the same file again. admin() runs the maker's commands ("setup set --version 1.002", "users set NAME
// frozen 1", ...) on that file, also while the server runs.
class GatewayFixture {
public:
    GatewayFixture();
    ~GatewayFixture();
    GatewayFixture(const GatewayFixture&) = delete;
    GatewayFixture& operator=(const GatewayFixture&) = delete;

    // Extra serve flags, e.g. {"--fixed-clock", "0"}, {"--symbols", "a,b,c,d,e,f,g,h,i,j,k"}, or
    // {"--listen", "127.0.0.1:PORT"} to come back on a known port (a later flag wins over the default).
    bool start(const QStringList& extraArgs = {});
    void stop();
    bool running() const { return m_server.running(); }

    std::string baseUrl() const { return m_server.baseUrl(); } // "http://127.0.0.1:PORT/"
    std::string hostPort() const { return m_server.hostPort(); }
    int port() const { return m_server.port(); }
    std::string dbPath() const { return m_dbPath; }
    std::string error() const { return m_error; }

    // Runs "taoke-gateway ARGS... --db FILE"; true on exit status 0. output gets its standard output (UTF-8).
    bool admin(const QStringList& args, std::string* output = nullptr);

private:
    ServerProcess m_server;
    std::string m_dbPath;
    std::string m_error;
};
} // namespace tk::test
