#pragma once
#include <string>

namespace tk {

// Whether the internet can be reached: a request to probeUrl that gets any HTTP answer within a few seconds.
bool InternetAvailable(const std::string& probeUrl);

} // namespace tk
