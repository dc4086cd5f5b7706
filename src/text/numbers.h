#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tk {
// A real written with "%.13g": at most 13 significant digits, no trailing zeros.
std::string FormatReal(double value);

// Reads a decimal number from the start of a text: leading blanks skipped, reading stops at the first
// character that cannot continue the number; no number reads 0.
double TextToNumber(std::string_view text);

// A real to an integer by truncation toward zero (saturating at the ends of the range; NaN gives 0).
int64_t TruncToInt64(double value);
inline int64_t TextToInt64(std::string_view text) { return TruncToInt64(TextToNumber(text)); }
} // namespace tk
