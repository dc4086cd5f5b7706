#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The gateway's side of the wire: scrambled statements in, scrambled rows out.
namespace tk::gateway {

struct DecodedRequest {
    std::string sql;                 // GBK statement text
    std::optional<int64_t> stamp;    // the client's clock stamp, when it sent one
};

// The "post" value of a request: key, optional clock stamp, substituted symbol text. Nothing when it is not
// a well-formed scrambled statement for this symbol list.
std::optional<DecodedRequest> DecodeRequest(std::string_view post, const std::vector<std::string>& symbols);

// Rows to the plain answer text: cells joined by "[xW|Col]", rows by "[xW|Row]", laid out so that the
// client's split gives back every cell, empty last cells included. Control characters in cells become "?"
// (see wire.cpp for why).
std::string JoinRows(const std::vector<std::vector<std::string>>& rows);

// The 10-character trailer that follows the rows when the request carried a stamp.
std::string Trailer(int64_t clock);

using KeySource = std::function<std::string()>;

// Scrambles a plain answer with a key from keys (ShuffleHexAlphabet by default). The client deletes every
// occurrence of the key before decoding, so a key that occurs in the substituted payload is never used; when
// no usable key comes up the answer is the scrambled "-1".
std::string ScrambleAnswer(std::string_view plain, const KeySource& keys = {});

// The refusal answer of a query.
std::string RefusedQueryAnswer(std::optional<int64_t> stamp, int64_t clock);

} // namespace tk::gateway
