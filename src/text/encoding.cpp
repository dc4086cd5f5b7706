#include "text/encoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <memory>

namespace tk {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// One converter per thread and name: ICU converters are not thread-safe, and opening them is not free.
UConverter* converter(const char* name) {
    thread_local Converter gbk, utf8;
    Converter& slot = (name[0] == 'G') ? gbk : utf8;
    if (!slot) {
        UErrorCode err = U_ZERO_ERROR;
        slot.reset(ucnv_open(name, &err));
        if (U_FAILURE(err)) return nullptr;
        // Unmappable characters on the way out become "?"; bytes that are not valid input become U+FFFD,
        // which the outbound substitution turns into "?" as well.
        ucnv_setSubstChars(slot.get(), "?", 1, &err);
        err = U_ZERO_ERROR;
        ucnv_setFromUCallBack(slot.get(), UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &err);
    }
    ucnv_reset(slot.get());
    return slot.get();
}

std::u16string toUtf16(const char* name, std::string_view bytes) {
    if (bytes.empty()) return {};
    UConverter* cnv = converter(name);
    if (!cnv) return {};
    std::u16string out(bytes.size() + 1, u'\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(cnv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                              bytes.data(), static_cast<int32_t>(bytes.size()), &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
        out.assign(static_cast<size_t>(n) + 1, u'\0');
        err = U_ZERO_ERROR;
        ucnv_reset(cnv);
        n = ucnv_toUChars(cnv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), bytes.data(),
                          static_cast<int32_t>(bytes.size()), &err);
    }
    if (U_FAILURE(err)) return {};
    out.resize(static_cast<size_t>(n));
    return out;
}

std::string fromUtf16(const char* name, std::u16string_view text) {
    if (text.empty()) return {};
    UConverter* cnv = converter(name);
    if (!cnv) return {};
    std::string out(text.size() * 4 + 1, '\0');
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()),
                                reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), &err);
    if (U_FAILURE(err)) return {};
    out.resize(static_cast<size_t>(n));
    return out;
}

} // namespace

std::u16string GbkToUtf16(std::string_view gbk) { return toUtf16("GBK", gbk); }
std::string Utf16ToGbk(std::u16string_view utf16) { return fromUtf16("GBK", utf16); }
std::string GbkToUtf8(std::string_view gbk) { return fromUtf16("UTF-8", toUtf16("GBK", gbk)); }
std::string Utf8ToGbk(std::string_view utf8) { return fromUtf16("GBK", toUtf16("UTF-8", utf8)); }

QString FromGbk(std::string_view gbk) {
    std::u16string u = GbkToUtf16(gbk);
    return QString(reinterpret_cast<const QChar*>(u.data()), static_cast<qsizetype>(u.size()));
}

std::string ToGbk(const QString& text) {
    return Utf16ToGbk(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
}

} // namespace tk
