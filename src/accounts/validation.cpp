#include "accounts/validation.h"

#include "text/encoding.h"

#include <QRegularExpression>

namespace tk {

std::string StripQuotes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\'') out.push_back(c);
    return out;
}

namespace {
// The one-byte signs of the forbidden list. Its double-byte entries all hold a byte of 0x80 or above and are
// covered by the byte rule below.
constexpr std::string_view kForbiddenSigns = " !\"#$%&'()*+,-./:;<=>?@[\\]^_{}~";
static_assert(kForbiddenSigns.size() == 31);
} // namespace

bool HasForbiddenCharacter(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
        if (kForbiddenSigns.find(c) != std::string_view::npos) return true;
    }
    return false;
}

bool IsValidEmail(std::string_view text) {
    // One compiled pattern per thread: registration may run off the GUI thread in tests and tools.
    thread_local const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral(R"(\w+([-+.]\w+)*@\w+([-.]\w+)*\.\w+([-.]\w+)*)")));
    return pattern.match(FromGbk(text)).hasMatch();
}

} // namespace tk
