#pragma once
#include <string>
#include <string_view>

namespace tk {

// Percent-encoding of a query value (GBK text in). toUtf8: encode the UTF-8 bytes of the text rather than its
// GBK bytes. keepUnreserved: letters, digits, "-" and "." stay as they are; every other byte becomes %XX
// (upper-case hex; a space is %20, never "+").
std::string UrlEncode(std::string_view text, bool keepUnreserved = true, bool toUtf8 = true);

} // namespace tk
