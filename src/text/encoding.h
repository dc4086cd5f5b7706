#pragma once
#include <QString>
#include <string>
#include <string_view>

// Texts of this system are GBK byte strings (code page 936). These convert them at the edges:
// the screen (QString / UTF-16) and the wire of services that speak UTF-8.
// A character that the target cannot hold becomes "?".
namespace tk {
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
std::u16string GbkToUtf16(std::string_view gbk);
std::string Utf16ToGbk(std::u16string_view utf16);

QString FromGbk(std::string_view gbk);
std::string ToGbk(const QString& text);

// Convenience for literals written in UTF-8 source: the GBK bytes of a UTF-8 text.
inline std::string Gbk(std::string_view utf8) { return Utf8ToGbk(utf8); }
} // namespace tk
