#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The gateway's scrambling codec, shared by the client and by taoke-gateway.
namespace tk {

inline constexpr std::string_view kHexAlphabet = "ABCDEF0123456789";

// The symbol list text split at "," (a trailing "," adds no entry).
std::vector<std::string> SplitSymbolList(std::string_view listText);

// SQL text -> symbol text: percent form, decimal character codes with ":", then digits and ":" replaced by the
// 11 symbols in turn. Any list without exactly 11 entries gives the empty text.
std::string SymbolEncode(std::string_view sql, const std::vector<std::string>& symbols);
// The server's inverse. Nothing when the text is not a well-formed symbol text for this list.
std::optional<std::string> SymbolDecode(std::string_view symbolText, const std::vector<std::string>& symbols);

// A fresh permutation of the hex alphabet, drawn from this thread's own generator.
std::string ShuffleHexAlphabet();

// Key, then (when a stamp is given) the substituted clock stamp, then the substituted hex form.
// An empty text gives the empty result.
std::string Scramble(std::string_view text, std::optional<int64_t> clockStamp);
std::string ScrambleWithKey(std::string_view text, std::string_view key, std::optional<int64_t> clockStamp);

// Undoes Scramble: the key is the answer's first 16 characters, and every occurrence of it is deleted before
// mapping back. In clock mode the last 10 decoded characters (the trailer) go as well.
std::string Unscramble(std::string_view answer, bool clockMode);

// The hex form of a text after substitution with key (no key in front): what the server checks for the key.
std::string SubstituteHex(std::string_view text, std::string_view key);

} // namespace tk
