#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tk {

using ReplacePair = std::pair<std::string, std::string>; // (search, replacement)

// Applies the pairs in turn, each to the result of the one before. Each pair scans from start (1-based;
// absent or 0 means 1) to the end, left to right, replacing up to limit matches (all when absent); a match
// never overlaps the one before, never begins inside a double-byte character, and replaced text is not
// scanned again. An empty search text changes nothing. Without caseSensitive ASCII letters match either case.
std::string ReplaceMany(std::string_view text, std::optional<int> limit, std::optional<int> start, bool caseSensitive,
                        const std::vector<ReplacePair>& pairs);

} // namespace tk
