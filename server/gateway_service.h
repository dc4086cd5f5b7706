#pragma once
#include "database.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the page does with a statement, apart from HTTP: decode, recognise, convert, run, answer.
namespace tk::gateway {

// GBK to UTF-8 that refuses what is not GBK instead of substituting it.
std::optional<std::string> StrictGbkToUtf8(std::string_view gbk);

class GatewayService {
public:
    GatewayService(Database& db, std::vector<std::string> symbols, std::function<int64_t()> clock);

    // "C=2": the scrambled rows, or the scrambled "-1" for anything refused or failed.
    std::string query(std::string_view post);
    // "C=1": "0" when the statement ran, "1" otherwise.
    std::string execute(std::string_view post);

    int64_t clock() const { return m_clock(); }

private:
    struct Prepared {
        Statement statement;
        std::vector<std::string> values; // UTF-8
    };
    std::optional<Prepared> prepare(std::string_view post, std::optional<int64_t>& stamp);

    Database& m_db;
    std::vector<std::string> m_symbols;
    std::function<int64_t()> m_clock;
};

} // namespace tk::gateway
