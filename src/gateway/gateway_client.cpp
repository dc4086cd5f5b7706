#include "gateway/gateway_client.h"

#include "app/app_state.h"
#include "gateway/codec.h"
#include "gateway/http_fetch.h"
#include "text/numbers.h"

#include <chrono>
#include <condition_variable>
#include <thread>

namespace tk {
namespace {

std::atomic<int> g_clockTimers{0};

// The server clock advances on a thread of its own rather than on a GUI timer: it then runs where no event
// loop does (taoke-cli, tests, a busy GUI thread) and never falls behind. The clock itself is one atomic
// 64-bit value, so the heartbeat's worker never reads it half written.
class ClockTimer {
public:
    explicit ClockTimer(std::atomic<int64_t>& clock) : m_thread([this, &clock] { run(clock); }) {
        g_clockTimers.fetch_add(1);
    }
    ~ClockTimer() {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
        g_clockTimers.fetch_sub(1);
    }
    ClockTimer(const ClockTimer&) = delete;
    ClockTimer& operator=(const ClockTimer&) = delete;

private:
    void run(std::atomic<int64_t>& clock) {
        auto next = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        std::unique_lock<std::mutex> guard(m_lock);
        while (!m_wake.wait_until(guard, next, [this] { return m_stop; })) {
            clock.fetch_add(1);
            next += std::chrono::seconds(1);
        }
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread; // last: starts once the members above exist
};

std::string scrambledStatement(const GatewayDescriptor& gateway, std::string_view sql) {
    if (!gateway.state) return {};
    std::string symbolText;
    {
        std::lock_guard<std::mutex> guard(gateway.state->symbolsLock);
        symbolText = SymbolEncode(sql, gateway.state->symbols);
    }
    std::optional<int64_t> stamp;
    if (gateway.state->clockMode.load()) stamp = gateway.state->serverClock.load();
    return Scramble(symbolText, stamp);
}

std::string post(const GatewayDescriptor& gateway, const std::string& body) {
    FetchOptions options;
    options.method = "POST";
    options.body = body;
    return HttpFetch(gateway.baseUrl + gateway.page, options);
}

} // namespace

int RunningClockTimers() { return g_clockTimers.load(); }

GatewayDescriptor ConnectGateway(AppState& app, std::string_view baseUrl, std::string_view page,
                                 std::string_view symbolListText, int wantClock, int wantClientIp) {
    if (!app.gatewayState) app.gatewayState = std::make_shared<GatewayState>();
    GatewayState& state = *app.gatewayState;
    GatewayDescriptor gateway{std::string(baseUrl), std::string(page), 0, app.gatewayState};
    {
        std::lock_guard<std::mutex> guard(state.symbolsLock);
        state.symbols = SplitSymbolList(symbolListText);
    }
    const std::string address = gateway.baseUrl + gateway.page;
    if (wantClientIp == 1) app.clientIp = HttpFetch(address + "?C=4");
    if (wantClock == 1) {
        const int64_t clock = TextToInt64(HttpFetch(address + "?C=3"));
        if (clock == 0) {
            state.serverClock.store(0);
            gateway.baseUrl.clear();
            gateway.page.clear();
        } else {
            state.clockTimer.reset(); // the old timer stops before the new one starts: one at a time
            state.serverClock.store(clock);
            state.clockMode.store(true);
            state.clockTimer = std::make_shared<ClockTimer>(state.serverClock);
            gateway.connected = 1;
        }
    }
    return gateway;
}

std::string QueryBody(const GatewayDescriptor& gateway, std::string_view sql) {
    return "C=2&post=" + scrambledStatement(gateway, sql);
}

std::string ExecuteBody(const GatewayDescriptor& gateway, std::string_view sql) {
    return "C=1&post=" + scrambledStatement(gateway, sql);
}

ResultTable QueryGateway(const GatewayDescriptor& gateway, std::string_view sql) {
    const std::string answer = post(gateway, QueryBody(gateway, sql));
    const bool clockMode = gateway.state && gateway.state->clockMode.load();
    return ShapeAnswer(Unscramble(answer, clockMode));
}

int ExecuteGateway(const GatewayDescriptor& gateway, std::string_view sql) {
    const std::string answer = post(gateway, ExecuteBody(gateway, sql));
    // The first character that is neither an ASCII space nor a GBK full-width space (A1 A1) decides.
    size_t pos = 0;
    while (pos < answer.size()) {
        if (answer[pos] == ' ') {
            ++pos;
        } else if (answer.compare(pos, 2, "\xA1\xA1") == 0) {
            pos += 2;
        } else {
            break;
        }
    }
    return pos < answer.size() && answer[pos] == '0' ? 1 : 0;
}

} // namespace tk
