#include "text/gbk_text.h"

namespace tk {
namespace {

inline unsigned char foldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// Compares needle with text at pos. With ignoreCase the fold applies to single-byte characters only:
// the trail byte of a double-byte character may look like an ASCII letter and must keep its case.
bool matchesAt(std::string_view text, size_t pos, std::string_view needle, bool ignoreCase) {
    if (!ignoreCase) return text.compare(pos, needle.size(), needle) == 0;
    size_t i = 0;
    while (i < needle.size()) {
        auto a = static_cast<unsigned char>(text[pos + i]);
        auto b = static_cast<unsigned char>(needle[i]);
        if (IsGbkLeadByte(b) && i + 1 < needle.size()) {
            if (a != b || text[pos + i + 1] != needle[i + 1]) return false;
            i += 2;
            continue;
        }
        if (foldAscii(a) != foldAscii(b)) return false;
        ++i;
    }
    return true;
}

} // namespace

// The search itself, from a position known to be a character boundary.
static size_t findFromBoundary(std::string_view text, std::string_view needle, size_t pos, bool ignoreCase) {
    while (pos + needle.size() <= text.size()) {
        if (!ignoreCase) {
            // Fast skip to the next byte match of the first needle byte, then re-align to a boundary.
            size_t hit = text.find(needle.front(), pos);
            if (hit == std::string_view::npos || hit + needle.size() > text.size()) return std::string_view::npos;
            while (pos < hit) pos += GbkCharLength(text, pos);
            if (pos != hit) continue; // hit was a trail byte
        }
        if (matchesAt(text, pos, needle, ignoreCase)) return pos;
        pos += GbkCharLength(text, pos);
    }
    return std::string_view::npos;
}

// The first boundary at or after to, walking from the boundary from. Repeated searches carry it forward
// instead of walking from the start each time, which would make splitting a long answer quadratic.
static size_t alignFrom(std::string_view text, size_t from, size_t to) {
    while (from < to) from += GbkCharLength(text, from);
    return from;
}

size_t FindText(std::string_view text, std::string_view needle, size_t from, bool ignoreCase) {
    if (from > text.size()) return std::string_view::npos;
    if (needle.empty()) return from;
    // Walk character by character from the start so that every candidate position is a boundary.
    return findFromBoundary(text, needle, alignFrom(text, 0, from), ignoreCase);
}

std::string ReplaceText(std::string_view text, std::string_view needle, std::string_view replacement,
                        bool ignoreCase) {
    if (needle.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0, boundary = 0;
    while (true) {
        size_t hit = findFromBoundary(text, needle, boundary, ignoreCase);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(replacement);
        pos = hit + needle.size();
        boundary = alignFrom(text, hit, pos);
    }
    out.append(text.substr(pos));
    return out;
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (text.empty()) return pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    size_t pos = 0, boundary = 0;
    while (pos < text.size()) {
        size_t hit = findFromBoundary(text, separator, boundary, false);
        if (hit == std::string_view::npos) {
            pieces.emplace_back(text.substr(pos));
            return pieces;
        }
        pieces.emplace_back(text.substr(pos, hit - pos));
        pos = hit + separator.size();
        boundary = alignFrom(text, hit, pos);
    }
    return pieces; // ended on a separator: no empty last piece
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size();) {
        size_t n = GbkCharLength(out, i);
        if (n == 1) out[i] = static_cast<char>(foldAscii(static_cast<unsigned char>(out[i])));
        i += n;
    }
    return out;
}

std::string AsciiUpper(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size();) {
        size_t n = GbkCharLength(out, i);
        if (n == 1 && out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 32);
        i += n;
    }
    return out;
}

std::string_view TrimBlanks(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

} // namespace tk
