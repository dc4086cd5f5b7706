#include "collect/url_encode.h"

#include "text/encoding.h"

namespace tk {

std::string UrlEncode(std::string_view text, bool keepUnreserved, bool toUtf8) {
    if (text.empty()) return {};
    const std::string bytes = toUtf8 ? GbkToUtf8(text) : std::string(text);
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        bool keep = keepUnreserved && (c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                                       (c >= 'A' && c <= 'Z'));
        if (keep) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

} // namespace tk
