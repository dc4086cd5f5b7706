#include "accounts/random_text.h"

#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#else
#include <chrono>
#endif

namespace tk {

namespace {
uint32_t counterLow32() {
#if defined(__x86_64__) || defined(__i386__)
    return static_cast<uint32_t>(__rdtsc());
#else
    return static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
}
} // namespace

uint32_t RandomFromCounter(uint32_t counter, uint32_t low, uint32_t high) {
    if (high == 0) high = 2147483647u;
    const uint32_t r = ((counter * 214013u + 2531011u) >> 16) & 0x7FFFu;
    const uint32_t span = high - low + 1u;
    // The full 32-bit range wraps the span to 0; every r is then in range as it is.
    return span == 0 ? low + r : low + r % span;
}

uint32_t RandomInRange(uint32_t low, uint32_t high) { return RandomFromCounter(counterLow32(), low, high); }

std::string RandomText(int count) {
    std::string out;
    if (count <= 0) return out;
    out.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const uint32_t kind = RandomInRange(1, 3);
        uint32_t code;
        if (kind == 1)
            code = RandomInRange(48, 57);
        else if (kind == 2)
            code = RandomInRange(65, 90);
        else
            code = RandomInRange(97, 122);
        out.push_back(static_cast<char>(code));
    }
    return out;
}

} // namespace tk
