#pragma once
#include "gateway/result_table.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tk {

struct AppState;

// What a connect installs: the symbol list, clock mode and the server clock. One per process in the client
// (AppState owns it); tests make several to play several clients. Written on the connecting thread only.
struct GatewayState {
    std::vector<std::string> symbols;     // guarded by symbolsLock: a reconnect may replace it while a worker encodes
    mutable std::mutex symbolsLock;
    std::atomic<bool> clockMode{false};
    std::atomic<int64_t> serverClock{0}; // seconds since 1970, advanced once a second by the clock timer
    std::shared_ptr<void> clockTimer;    // the one running clock timer, if any (owned here, see gateway_client.cpp)
};

struct GatewayDescriptor {
    std::string baseUrl; // scheme, host, port and a trailing "/"
    std::string page;    // "link.asp"
    int connected = 0;
    std::shared_ptr<GatewayState> state; // the state of the connect that made this descriptor
};

// Binds to a gateway page: reads the client IP (into app.clientIp) before the server clock (into the gateway
// state), installs the symbol list, (re)starts the one clock timer. A clock of 0 gives a descriptor with an
// empty address.
GatewayDescriptor ConnectGateway(AppState& app, std::string_view baseUrl, std::string_view page,
                                 std::string_view symbolListText, int wantClock, int wantClientIp);

// Both are callable from any thread; on the GUI thread they keep events flowing while they wait.
ResultTable QueryGateway(const GatewayDescriptor& gateway, std::string_view sql);
int ExecuteGateway(const GatewayDescriptor& gateway, std::string_view sql); // 1 = success

// Clock timers running in the process (one per connected GatewayState at most).
int RunningClockTimers();

// The request bodies, exposed for the tests and the benchmark.
std::string QueryBody(const GatewayDescriptor& gateway, std::string_view sql);
std::string ExecuteBody(const GatewayDescriptor& gateway, std::string_view sql);

} // namespace tk
