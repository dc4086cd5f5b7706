#include "wire.h"

#include "gateway/codec.h"
#include "gateway/result_table.h"

#include <array>
#include <cstdio>

namespace tk::gateway {
namespace {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    return c - 'A' + 10; // only ever called with "ABCDEF0123456789"
}

bool isKey(std::string_view key) {
    if (key.size() != 16) return false;
    std::array<bool, 256> seen{};
    for (char c : key) {
        auto u = static_cast<unsigned char>(c);
        if (kHexAlphabet.find(c) == std::string_view::npos || seen[u]) return false;
        seen[u] = true;
    }
    return true;
}

} // namespace

std::optional<DecodedRequest> DecodeRequest(std::string_view post, const std::vector<std::string>& symbols) {
    if (post.size() <= 16 || !isKey(post.substr(0, 16))) return std::nullopt;
    std::string_view key = post.substr(0, 16);
    std::string_view body = post.substr(16);
    if (body.size() % 2 != 0) return std::nullopt;

    std::array<int, 256> back{};
    back.fill(-1);
    for (size_t i = 0; i < 16; ++i) back[static_cast<unsigned char>(key[i])] = hexDigitValue(kHexAlphabet[i]);

    std::string bytes;
    bytes.reserve(body.size() / 2);
    for (size_t i = 0; i < body.size(); i += 2) {
        int hi = back[static_cast<unsigned char>(body[i])];
        int lo = back[static_cast<unsigned char>(body[i + 1])];
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<char>(hi * 16 + lo));
    }

    // A client in clock mode puts its clock, in decimal, in front. The built-in symbols hold no digits, so
    // the stamp is the leading run of digits; with a list that does hold digits the longest cut that still
    // decodes wins.
    size_t run = 0;
    while (run < bytes.size() && bytes[run] >= '0' && bytes[run] <= '9') ++run;
    for (size_t cut = run + 1; cut-- > 0;) {
        auto sql = SymbolDecode(std::string_view(bytes).substr(cut), symbols);
        if (!sql) continue;
        DecodedRequest out;
        out.sql = std::move(*sql);
        if (cut > 0) {
            int64_t stamp = 0;
            for (size_t i = 0; i < cut && i < 18; ++i) stamp = stamp * 10 + (bytes[i] - '0');
            out.stamp = stamp;
        }
        return out;
    }
    return std::nullopt;
}

// The substituted payload holds its own key exactly when the payload's hex form holds the run
// "ABCDEF0123456789", whichever key is drawn, and every such run needs the byte 0x01 or 0x12. Keeping
// control characters out of the cells is what makes every answer decodable; the key check below stays as
// the last guard.
std::string JoinRows(const std::vector<std::vector<std::string>>& rows) {
    std::string out;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r > 0) out.append(kRowSeparator);
        for (size_t c = 0; c < rows[r].size(); ++c) {
            if (c > 0) out.append(kColSeparator);
            for (char ch : rows[r][c]) {
                auto u = static_cast<unsigned char>(ch);
                bool control = u < 0x20 && ch != '\t' && ch != '\r' && ch != '\n';
                out.push_back(control ? '?' : ch);
            }
        }
        // A separator at the very end of a row adds no cell, so a row whose last cell is empty gets one
        // more: without it the client would count one cell short and shift the whole table.
        if (!rows[r].empty() && rows[r].back().empty()) out.append(kColSeparator);
    }
    return out;
}

std::string Trailer(int64_t clock) {
    if (clock < 0) clock = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%010lld", static_cast<long long>(clock));
    std::string text(buf);
    return text.substr(text.size() - 10);
}

std::string ScrambleAnswer(std::string_view plain, const KeySource& keys) {
    if (plain.empty()) plain = "-1";
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string key = keys ? keys() : ShuffleHexAlphabet();
        if (!isKey(key)) continue;
        std::string payload = SubstituteHex(plain, key);
        if (payload.find(key) == std::string::npos) return key + payload;
    }
    std::string key = ShuffleHexAlphabet();
    return key + SubstituteHex("-1", key);
}

std::string RefusedQueryAnswer(std::optional<int64_t> stamp, int64_t clock) {
    std::string plain = "-1";
    if (stamp) plain += Trailer(clock);
    return ScrambleAnswer(plain);
}

} // namespace tk::gateway
