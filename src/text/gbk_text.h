#pragma once
#include <string>
#include <string_view>
#include <vector>

// Byte-level operations on GBK texts. Lengths and positions count bytes; a search never matches a text
// that starts on the second byte of a double-byte character. Positions here are 0-based (npos = none);
// the 1-based positions of the operations built on top are their own business.
namespace tk {

// Any byte of 0x80 and above starts a two-byte character together with the byte after it: the rule every
// search and split of the system walks its texts by, stray bytes 0x80 and 0xFF included.
inline bool IsGbkLeadByte(unsigned char b) { return b >= 0x80; }

// Length in bytes of the character that starts at pos (1 or 2; 1 for a lead byte at the very end).
inline size_t GbkCharLength(std::string_view text, size_t pos) {
    return (IsGbkLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

// First occurrence of needle at or after from that begins on a character boundary. An empty needle
// matches at from. With ignoreCase, ASCII letters compare without regard to case (trail bytes never fold).
size_t FindText(std::string_view text, std::string_view needle, size_t from = 0, bool ignoreCase = false);
inline bool ContainsText(std::string_view text, std::string_view needle, bool ignoreCase = false) {
    return FindText(text, needle, 0, ignoreCase) != std::string_view::npos;
}

// Every non-overlapping occurrence, left to right, replaced. An empty needle changes nothing.
std::string ReplaceText(std::string_view text, std::string_view needle, std::string_view replacement,
                        bool ignoreCase = false);

// Pieces between separators. A separator at the very end adds no empty last piece; separators elsewhere do.
// An empty text gives no pieces.
std::vector<std::string> SplitText(std::string_view text, std::string_view separator);

// ASCII case mapping that leaves double-byte characters (both of their bytes) alone.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// Blanks (spaces and tabs, and CR/LF) off both ends.
std::string_view TrimBlanks(std::string_view text);

} // namespace tk
