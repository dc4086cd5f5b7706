#include "gateway_service.h"

#include "gateway/result_table.h"
#include "text/encoding.h"
#include "text/gbk_text.h"
#include "wire.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>

namespace tk::gateway {

std::optional<std::string> StrictGbkToUtf8(std::string_view gbk) {
    if (gbk.empty()) return std::string();
    // The code page's own extras (0x80 alone, 0xFF alone) are not GBK; ICU would map them.
    for (size_t i = 0; i < gbk.size(); ++i) {
        auto b = static_cast<unsigned char>(gbk[i]);
        if (b < 0x80) continue;
        if (b == 0x80 || b == 0xFF || i + 1 >= gbk.size()) return std::nullopt;
        auto t = static_cast<unsigned char>(gbk[++i]);
        if (t < 0x40 || t == 0x7F || t == 0xFF) return std::nullopt;
    }
    struct Closer {
        void operator()(UConverter* c) const { ucnv_close(c); }
    };
    thread_local std::unique_ptr<UConverter, Closer> cnv;
    UErrorCode err = U_ZERO_ERROR;
    if (!cnv) {
        cnv.reset(ucnv_open("GBK", &err));
        if (U_FAILURE(err)) return std::nullopt;
        ucnv_setToUCallBack(cnv.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &err);
        if (U_FAILURE(err)) return std::nullopt;
    }
    ucnv_reset(cnv.get());
    std::u16string utf16(gbk.size() + 1, u'\0');
    int32_t n = ucnv_toUChars(cnv.get(), reinterpret_cast<UChar*>(utf16.data()), static_cast<int32_t>(utf16.size()),
                              gbk.data(), static_cast<int32_t>(gbk.size()), &err);
    if (U_FAILURE(err)) return std::nullopt;
    std::string utf8(static_cast<size_t>(n) * 3 + 1, '\0');
    int32_t len = 0;
    u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &len, reinterpret_cast<const UChar*>(utf16.data()),
                n, &err);
    if (U_FAILURE(err)) return std::nullopt;
    utf8.resize(static_cast<size_t>(len));
    return utf8;
}

GatewayService::GatewayService(Database& db, std::vector<std::string> symbols, std::function<int64_t()> clock)
    : m_db(db), m_symbols(std::move(symbols)), m_clock(std::move(clock)) {}

std::optional<GatewayService::Prepared> GatewayService::prepare(std::string_view post,
                                                                std::optional<int64_t>& stamp) {
    auto request = DecodeRequest(post, m_symbols);
    if (!request) return std::nullopt;
    stamp = request->stamp;
    // The client's statements are one line of text; control characters never belong in them.
    for (char c : request->sql)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
    auto statement = RecogniseStatement(request->sql);
    if (!statement) return std::nullopt;
    Prepared out{std::move(*statement), {}};
    for (const std::string& v : out.statement.values) {
        auto utf8 = StrictGbkToUtf8(v);
        if (!utf8) return std::nullopt;
        out.values.push_back(std::move(*utf8));
    }
    return out;
}

std::string GatewayService::query(std::string_view post) {
    std::optional<int64_t> stamp;
    auto prepared = prepare(post, stamp);
    if (!prepared || !prepared->statement.isQuery()) return RefusedQueryAnswer(stamp, m_clock());
    auto rows = m_db.query(prepared->statement, prepared->values);
    if (!rows) return RefusedQueryAnswer(stamp, m_clock());
    for (auto& row : *rows)
        for (std::string& cell : row) cell = Utf8ToGbk(cell);
    std::string plain = JoinRows(*rows);
    if (stamp) plain += Trailer(m_clock());
    return ScrambleAnswer(plain);
}

std::string GatewayService::execute(std::string_view post) {
    std::optional<int64_t> stamp;
    auto prepared = prepare(post, stamp);
    if (!prepared || prepared->statement.isQuery()) return "1";
    // A value holding a separator could never be read back as one cell.
    for (const std::string& v : prepared->statement.values)
        if (ContainsText(v, kRowSeparator) || ContainsText(v, kColSeparator)) return "1";
    return m_db.execute(prepared->statement, prepared->values) ? "0" : "1";
}

} // namespace tk::gateway
