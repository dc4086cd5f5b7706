#include "gateway/codec.h"
#include "gateway/result_table.h"
#include "text/encoding.h"

#include <benchmark/benchmark.h>

using namespace tk;

namespace {

const std::vector<std::string> kSymbols = SplitSymbolList("q,k,z,b,x,l,p,u,f,j,c");

std::string logInStatement() {
    return Gbk("select * from users where username='青禾淘客用户' and password='a1b2c3d4e5'");
}

// The answer to a log-in select: header and one row of twelve columns.
std::string userAnswer() {
    return Gbk("id[xW|Col]username[xW|Col]password[xW|Col]email[xW|Col]ip[xW|Col]s1[xW|Col]s2[xW|Col]s3[xW|Col]"
               "frozen[xW|Col]zxkey[xW|Col]zctime[xW|Col]zx[xW|Row]"
               "42[xW|Col]青禾淘客用户[xW|Col]a1b2c3d4e5[xW|Col]user@example.com[xW|Col]127.0.0.1[xW|Col][xW|Col]"
               "[xW|Col][xW|Col]0[xW|Col]8F3A9C21D0[xW|Col]2026-12-11 12:00:00[xW|Col]1") +
           "0123456789";
}

std::string bigAnswer(int rows, int cols) {
    std::string plain;
    for (int c = 1; c <= cols; ++c) plain += (c > 1 ? "[xW|Col]" : "") + std::string("column") + std::to_string(c);
    const std::string name = Gbk("青禾淘客");
    for (int r = 1; r <= rows; ++r) {
        plain += "[xW|Row]";
        for (int c = 1; c <= cols; ++c) {
            if (c > 1) plain += "[xW|Col]";
            plain += c == 2 ? name + std::to_string(r) : "value" + std::to_string(r * 100 + c);
        }
    }
    return Scramble(plain + "0123456789", std::nullopt);
}

void BM_EncodeAndScrambleStatement(benchmark::State& state) {
    const std::string sql = logInStatement();
    for (auto _ : state) benchmark::DoNotOptimize(Scramble(SymbolEncode(sql, kSymbols), 1765454400));
}
BENCHMARK(BM_EncodeAndScrambleStatement);

void BM_ScrambleUnscrambleAnswer(benchmark::State& state) {
    const std::string answer = userAnswer();
    for (auto _ : state) benchmark::DoNotOptimize(Unscramble(Scramble(answer, std::nullopt), true));
}
BENCHMARK(BM_ScrambleUnscrambleAnswer);

void BM_UnscrambleAndShape(benchmark::State& state) {
    const std::string answer = bigAnswer(static_cast<int>(state.range(0)), 12);
    for (auto _ : state) {
        ResultTable t = ShapeAnswer(Unscramble(answer, true));
        benchmark::DoNotOptimize(t.cells.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(answer.size()));
}
BENCHMARK(BM_UnscrambleAndShape)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The two halves of the above, for 10,000 rows.
void BM_UnscrambleOnly(benchmark::State& state) {
    const std::string answer = bigAnswer(10000, 12);
    for (auto _ : state) benchmark::DoNotOptimize(Unscramble(answer, true));
}
BENCHMARK(BM_UnscrambleOnly)->Unit(benchmark::kMillisecond);

void BM_ShapeOnly(benchmark::State& state) {
    const std::string plain = Unscramble(bigAnswer(10000, 12), true);
    for (auto _ : state) {
        ResultTable t = ShapeAnswer(plain);
        benchmark::DoNotOptimize(t.cells.data());
    }
}
BENCHMARK(BM_ShapeOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
