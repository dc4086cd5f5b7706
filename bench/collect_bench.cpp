// The collector's costs: the work on one result page once its body is here, and a whole 20-page run against
// sample-search on loopback measured against its floor (the pauses alone).
#include "collect/collection.h"
#include "collect/fetch_url.h"
#include "support/paths.h"
#include "support/server_process.h"

#include <benchmark/benchmark.h>

#include <chrono>

using namespace tk;

namespace {

tk::test::ServerProcess& sampleSearch() {
    static tk::test::ServerProcess server;
    if (!server.running()) server.start(tk::test::sampleSearchBinary(), {"--listen", "127.0.0.1:0"});
    return server;
}

struct CountingSink : ProductSink {
    int rows = 0;
    void clear() override { rows = 0; }
    int rowCount() const override { return rows; }
    void addProduct(const ProductRecord&) override { ++rows; }
};

void BM_ResultPage(benchmark::State& state) {
    auto& server = sampleSearch();
    if (!server.running()) return state.SkipWithError("sample-search did not start");
    SearchConditions conditions;
    const std::string body = FetchUrl(SearchUrl(server.hostPort(), conditions, 1));
    JsonDocument doc;
    int products = 0;
    for (auto _ : state) {
        products = 0;
        ReadResultPage(body, doc, [&](ProductRecord& row) {
            benchmark::DoNotOptimize(row);
            ++products;
        });
    }
    if (products != 50) state.SkipWithError("the page did not hold 50 products");
    state.counters["products"] = products;
    state.counters["body_bytes"] = static_cast<double>(body.size());
}
BENCHMARK(BM_ResultPage)->Unit(benchmark::kMillisecond);

void BM_WholeCollection(benchmark::State& state) {
    auto& server = sampleSearch();
    if (!server.running()) return state.SkipWithError("sample-search did not start");
    const double floorSeconds = 20 * 0.1 + 0.5;
    double worst = 0;
    for (auto _ : state) {
        CollectRequest request;
        request.searchHost = server.hostPort();
        request.conditions.lastPage = "20";
        CountingSink sink;
        JsonDocument doc;
        auto start = std::chrono::steady_clock::now();
        CollectProducts(request, sink, doc);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        worst = std::max(worst, seconds);
        if (sink.rows != 1000) state.SkipWithError("the run did not collect 1000 products");
    }
    state.counters["ratio_to_floor_worst"] = worst / floorSeconds;
}
BENCHMARK(BM_WholeCollection)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
