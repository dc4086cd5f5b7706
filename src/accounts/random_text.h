#pragma once
#include <cstdint>
#include <string>

namespace tk {

// low + r mod (high - low + 1) in unsigned 32-bit arithmetic, r a 15-bit value drawn from the processor's
// time-stamp counter at each call; no seed, no stored state. A high of 0 stands for 2147483647.
uint32_t RandomInRange(uint32_t low, uint32_t high);

// count characters, each a digit, an upper-case or a lower-case letter (class drawn first, a third each).
std::string RandomText(int count);

// The drawing step on its own, for a given counter value.
uint32_t RandomFromCounter(uint32_t counter, uint32_t low, uint32_t high);

} // namespace tk
