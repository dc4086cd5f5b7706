#include "gateway/codec.h"

#include <array>
#include <chrono>
#include <random>
#include <thread>

namespace tk {
namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";

// Position (0-based) of a hex digit in the hex alphabet "ABCDEF0123456789".
constexpr std::array<int, 256> alphabetIndex() {
    std::array<int, 256> idx{};
    for (int& v : idx) v = -1;
    for (int i = 0; i < 16; ++i) idx[static_cast<unsigned char>(kHexAlphabet[i])] = i;
    return idx;
}
constexpr auto kAlphabetIndex = alphabetIndex();

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void appendSubstituted(std::string& out, std::string_view text, std::string_view key) {
    for (unsigned char b : text) {
        out.push_back(key[kAlphabetIndex[static_cast<unsigned char>(kUpperHex[b >> 4])]]);
        out.push_back(key[kAlphabetIndex[static_cast<unsigned char>(kUpperHex[b & 0xF])]]);
    }
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    if (from.empty()) return;
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t hit; (hit = text.find(from, pos)) != std::string::npos; pos = hit + from.size()) {
        out.append(text, pos, hit - pos);
        out.append(to);
    }
    out.append(text, pos);
    text.swap(out);
}

} // namespace

std::vector<std::string> SplitSymbolList(std::string_view listText) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < listText.size()) {
        size_t comma = listText.find(',', pos);
        if (comma == std::string_view::npos) {
            out.emplace_back(listText.substr(pos));
            break;
        }
        out.emplace_back(listText.substr(pos, comma - pos));
        pos = comma + 1;
    }
    return out;
}

std::string SymbolEncode(std::string_view sql, const std::vector<std::string>& symbols) {
    if (symbols.size() != 11) return {};
    // Percent form and decimal form in one go: "%" is 37, "0"-"9" are 48-57, "A"-"F" are 65-70.
    std::string decimal;
    decimal.reserve(sql.size() * 9);
    auto put = [&](char c) {
        decimal.push_back(static_cast<char>('0' + c / 10));
        decimal.push_back(static_cast<char>('0' + c % 10));
        decimal.push_back(':');
    };
    for (unsigned char b : sql) {
        put('%');
        if (b >= 16) put(kUpperHex[b >> 4]);
        put(kUpperHex[b & 0xF]);
    }
    // Replacements run one after another over the whole text, "1" to "9", then "0", then ":".
    bool plain = true;
    for (const std::string& s : symbols)
        for (char c : s)
            if ((c >= '0' && c <= '9') || c == ':') plain = false;
    static constexpr std::string_view order = "1234567890:";
    if (!plain) {
        for (size_t i = 0; i < 11; ++i) replaceAll(decimal, order.substr(i, 1), symbols[i]);
        return decimal;
    }
    // No symbol holds a digit or ":", so one pass gives the same text.
    std::array<const std::string*, 256> map{};
    for (size_t i = 0; i < 11; ++i) map[static_cast<unsigned char>(order[i])] = &symbols[i];
    std::string out;
    out.reserve(decimal.size());
    for (char c : decimal) out += *map[static_cast<unsigned char>(c)];
    return out;
}

std::optional<std::string> SymbolDecode(std::string_view symbolText, const std::vector<std::string>& symbols) {
    if (symbols.size() != 11) return std::nullopt;
    for (const std::string& s : symbols)
        if (s.empty()) return std::nullopt;
    static constexpr std::string_view order = "1234567890:";
    // Symbols back to digits and ":"; the longest symbol that fits wins.
    std::string decimal;
    decimal.reserve(symbolText.size());
    size_t pos = 0;
    while (pos < symbolText.size()) {
        size_t best = 11, bestLen = 0;
        for (size_t i = 0; i < 11; ++i) {
            const std::string& s = symbols[i];
            if (s.size() > bestLen && symbolText.compare(pos, s.size(), s) == 0) {
                best = i;
                bestLen = s.size();
            }
        }
        if (best == 11) return std::nullopt;
        decimal.push_back(order[best]);
        pos += bestLen;
    }
    // Decimal codes, each ending in ":", give the percent form.
    std::string percent;
    percent.reserve(decimal.size() / 3);
    pos = 0;
    while (pos < decimal.size()) {
        size_t colon = decimal.find(':', pos);
        if (colon == std::string::npos || colon == pos || colon - pos > 3) return std::nullopt;
        int code = 0;
        for (size_t i = pos; i < colon; ++i) code = code * 10 + (decimal[i] - '0');
        if (code != '%' && hexValue(static_cast<char>(code)) < 0) return std::nullopt;
        if (code >= 'a') return std::nullopt; // the percent form is upper case
        percent.push_back(static_cast<char>(code));
        pos = colon + 1;
    }
    // Percent form: "%" and one or two hex digits per byte.
    std::string sql;
    sql.reserve(percent.size() / 3 + 1);
    pos = 0;
    while (pos < percent.size()) {
        if (percent[pos] != '%') return std::nullopt;
        size_t end = pos + 1;
        while (end < percent.size() && percent[end] != '%') ++end;
        size_t digits = end - pos - 1;
        if (digits == 0 || digits > 2) return std::nullopt;
        int value = 0;
        for (size_t i = pos + 1; i < end; ++i) value = value * 16 + hexValue(percent[i]);
        if (digits == 2 && value < 16) return std::nullopt; // never written with a leading zero
        sql.push_back(static_cast<char>(value));
        pos = end;
    }
    return sql;
}

std::string ShuffleHexAlphabet() {
    thread_local std::mt19937 gen([] {
        std::random_device rd;
        auto now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        auto tid = std::hash<std::thread::id>{}(std::this_thread::get_id());
        std::seed_seq seq{rd(), static_cast<unsigned>(now), static_cast<unsigned>(now >> 32),
                          static_cast<unsigned>(tid)};
        return std::mt19937(seq);
    }());
    std::string pool(kHexAlphabet);
    std::string key;
    key.reserve(16);
    while (!pool.empty()) {
        std::uniform_int_distribution<size_t> pick(0, pool.size() - 1);
        size_t at = pick(gen);
        key.push_back(pool[at]);
        pool.erase(at, 1);
    }
    return key;
}

std::string SubstituteHex(std::string_view text, std::string_view key) {
    std::string out;
    out.reserve(text.size() * 2);
    appendSubstituted(out, text, key);
    return out;
}

std::string ScrambleWithKey(std::string_view text, std::string_view key, std::optional<int64_t> clockStamp) {
    if (text.empty()) return {};
    std::string out;
    out.reserve(16 + 40 + text.size() * 2);
    out.append(key);
    if (clockStamp) appendSubstituted(out, std::to_string(*clockStamp), key);
    appendSubstituted(out, text, key);
    return out;
}

std::string Scramble(std::string_view text, std::optional<int64_t> clockStamp) {
    if (text.empty()) return {};
    return ScrambleWithKey(text, ShuffleHexAlphabet(), clockStamp);
}

std::string Unscramble(std::string_view answer, bool clockMode) {
    if (answer.empty()) return {};
    std::string_view key = answer.substr(0, 16);

    // Each key character stands for the hex digit at its position in the alphabet; others are dropped.
    std::array<int, 256> digit{};
    digit.fill(-1);
    for (size_t i = key.size(); i-- > 0;) digit[static_cast<unsigned char>(key[i])] = hexValue(kHexAlphabet[i]);

    // One pass: skip every occurrence of the key, map the rest to digits and join them in pairs (a last single
    // digit is read alone); code 0 adds nothing.
    std::string plain(answer.size() / 2 + 1, '\0');
    char* out = plain.data();
    int pending = -1;
    auto take = [&](std::string_view piece) {
        for (char c : piece) {
            int v = digit[static_cast<unsigned char>(c)];
            if (v < 0) continue;
            if (pending < 0) {
                pending = v;
                continue;
            }
            if (int byte = pending * 16 + v; byte > 0) *out++ = static_cast<char>(byte);
            pending = -1;
        }
    };
    size_t pos = 0;
    while (pos < answer.size()) {
        size_t hit = answer.find(key, pos);
        take(answer.substr(pos, (hit == std::string_view::npos ? answer.size() : hit) - pos));
        if (hit == std::string_view::npos) break;
        pos = hit + key.size();
    }
    if (pending > 0) *out++ = static_cast<char>(pending);
    plain.resize(static_cast<size_t>(out - plain.data()));

    if (clockMode) {
        if (plain.size() <= 10) return {};
        plain.resize(plain.size() - 10);
    }
    return plain;
}

} // namespace tk
