#include "cli_common.h"

namespace tk::cli {

bool validBaseUrl(std::string_view url) {
    constexpr std::string_view scheme = "http://";
    if (url.substr(0, scheme.size()) != scheme || url.size() <= scheme.size() + 1 || url.back() != '/') return false;
    std::string_view hostPort = url.substr(scheme.size(), url.size() - scheme.size() - 1);
    if (hostPort.find('/') != std::string_view::npos || hostPort.front() == ':') return false;
    size_t colon = hostPort.find(':');
    if (colon == std::string_view::npos) return true;
    std::string_view port = hostPort.substr(colon + 1);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    return std::stoi(std::string(port)) <= 65535;
}

bool takeServerFlags(Args& args, ClientSettings& settings, std::string& error, bool probe) {
    bool missing = false;
    std::optional<std::string> gateway = takeOption(args, "--gateway", &missing);
    if (missing) {
        error = "--gateway needs an address such as http://127.0.0.1:8080/";
        return false;
    }
    if (gateway) {
        if (!validBaseUrl(*gateway)) {
            error = "--gateway " + *gateway + ": expected http://HOST:PORT/ (with the trailing /)";
            return false;
        }
        settings.gatewayBase = *gateway;
    }
    if (probe) {
        std::optional<std::string> probeUrl = takeOption(args, "--probe", &missing);
        if (missing) {
            error = "--probe needs an address";
            return false;
        }
        if (probeUrl) settings.probeUrl = *probeUrl;
    }
    return true;
}

bool connectGateway(AppState& app) {
    const ClientSettings& s = app.settings;
    app.gateway = ConnectGateway(app, s.gatewayBase, s.gatewayPage, s.gatewaySymbols, 1, 1);
    return app.gateway.connected == 1;
}

} // namespace tk::cli
