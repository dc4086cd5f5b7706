#include "text/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tk {

std::string FormatReal(double value) {
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, "%.13g", value);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

double TextToNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t start = i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    size_t digitsStart = i;
    auto isDigit = [&](size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
    while (isDigit(i)) ++i;
    size_t intDigits = i - digitsStart;
    size_t fracDigits = 0;
    if (i < text.size() && text[i] == '.') {
        size_t k = i + 1;
        while (isDigit(k)) ++k;
        fracDigits = k - i - 1;
        if (intDigits > 0 || fracDigits > 0) i = k;
    }
    if (intDigits == 0 && fracDigits == 0) return 0.0;
    // An exponent counts only when at least one digit follows it.
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t k = i + 1;
        if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
        if (isDigit(k)) {
            while (isDigit(k)) ++k;
            i = k;
        }
    }
    (void)start;
    double value = 0.0;
    std::from_chars(text.data() + digitsStart, text.data() + i, value, std::chars_format::general);
    return negative ? -value : value;
}

int64_t TruncToInt64(double value) {
    if (std::isnan(value)) return 0;
    double t = std::trunc(value);
    if (t >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
    if (t <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(t);
}

} // namespace tk
