#pragma once
#include "gateway/gateway_client.h"
#include "gateway/result_table.h"

#include <memory>
#include <string>

namespace tk {

inline constexpr const char* kRunningVersion = "1.001";

// Where the client finds its servers. The client itself only ever uses builtInSettings(); the tests and
// taoke-cli's flags make their own.
struct ClientSettings {
    std::string gatewayBase;    // "http://host:8080/"
    std::string gatewayPage;    // "link.asp"
    std::string gatewaySymbols; // "q,k,z,b,x,l,p,u,f,j,c"
    std::string probeUrl;       // fetched by the internet check
    std::string searchHost;     // "host[:port]" of the product search
    std::string webSite;        // opened after log-in
    std::string pictureServer;  // serves /tkimg/1.jpg .. 3.jpg, no trailing "/"
};
ClientSettings builtInSettings();

// The application-wide values. One per client process; tests make one per simulated client.
// Fields are written on the GUI thread; the heartbeat worker reads gateway, currentUserId and onlineKey,
// which are written before it starts. Texts are GBK.
struct AppState {
    ClientSettings settings = builtInSettings();
    GatewayDescriptor gateway;
    ResultTable lastResult = ResultTable::single();
    std::shared_ptr<GatewayState> gatewayState = std::make_shared<GatewayState>();
    std::string clientIp;
    std::string currentUserId;
    std::string onlineKey;
    std::string productName;
    std::string latestVersion;
    std::string downloadUrl;
    int noticeSwitch = 0;
    std::string noticeText;

    int64_t serverClock() const { return gatewayState->serverClock.load(); }
};

} // namespace tk
