#pragma once
#include <string>
#include <string_view>

namespace tk {

// Every typed text loses its single quotes before it goes into a statement.
std::string StripQuotes(std::string_view text);

// True when the text may not serve as an account name or password: it holds a blank, an ASCII sign other
// than "`" and "|", or any byte of 0x80 and above (every Chinese or other GBK character).
bool HasForbiddenCharacter(std::string_view text);

// True when the whole GBK text is an e-mail address of the accepted form; \w is ASCII only.
bool IsValidEmail(std::string_view text);

} // namespace tk
