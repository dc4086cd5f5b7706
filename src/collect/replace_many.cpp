#include "collect/replace_many.h"

#include "text/gbk_text.h"

namespace tk {

std::string ReplaceMany(std::string_view text, std::optional<int> limit, std::optional<int> start, bool caseSensitive,
                        const std::vector<ReplacePair>& pairs) {
    std::string current(text);
    size_t from = (start && *start > 1) ? static_cast<size_t>(*start - 1) : 0;
    for (const auto& [search, replacement] : pairs) {
        if (search.empty() || from > current.size()) continue;
        std::string out = current.substr(0, from);
        size_t pos = from;
        int done = 0;
        while (!limit || done < *limit) {
            size_t hit = FindText(current, search, pos, !caseSensitive);
            if (hit == std::string::npos) break;
            out.append(current, pos, hit - pos);
            out += replacement;
            pos = hit + search.size();
            ++done;
        }
        out.append(current, pos, std::string::npos);
        current = std::move(out);
    }
    return current;
}

} // namespace tk
