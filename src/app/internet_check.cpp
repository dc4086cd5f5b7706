#include "app/internet_check.h"

#include "gateway/http_fetch.h"

namespace tk {

namespace {
constexpr int kProbeSeconds = 5;
}

// There is no cheap, portable connected-state query on the platforms we build for (Qt's lives in QtNetwork,
// which the core does not link, and a Linux host may well be online through nothing but loopback in the
// demo), so the probe request alone decides. It goes through HttpFetch so that the windows keep running
// while it waits, and any answer at all, error pages included, proves the connection.
bool InternetAvailable(const std::string& probeUrl) {
    FetchOptions options;
    options.timeoutSeconds = kProbeSeconds;
    FetchReturns returns;
    HttpFetch(probeUrl, options, &returns);
    return !returns.headers.empty();
}

} // namespace tk
