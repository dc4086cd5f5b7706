// The product list with a long run's rows: time to append 50,000 realistic rows one by one (as a run
// appends them), the heap they take, and a sort by a numeric column.
#include "text/encoding.h"
#include "ui/product_list.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>
#include <vector>

namespace {

constexpr int kRows = 50000;

std::vector<tk::ProductRecord> MakeRows() {
    static const char* const words[] = {"夏季", "新款", "纯棉", "短袖", "T恤", "男士", "宽松", "潮流", "休闲", "印花",
                                        "圆领", "百搭", "韩版", "情侣装", "半袖"};
    std::vector<tk::ProductRecord> rows;
    rows.reserve(kRows);
    unsigned seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int i = 0; i < kRows; ++i) {
        tk::ProductRecord r;
        std::string title;
        for (int k = 0; k < 10; ++k) title += words[next() % 15]; // about 25 characters, as the service's titles
        const long long id = 520000000000LL + next() % 100000000;
        r[tk::ColNumber] = std::to_string(i + 1);
        r[tk::ColTitle] = tk::Gbk(title);
        r[tk::ColPrice] = std::to_string(next() % 300) + "." + std::to_string(next() % 10);
        r[tk::ColRate] = std::to_string(next() % 50) + ".5";
        r[tk::ColCommission] = std::to_string(next() % 40) + ".35";
        r[tk::ColPromotion] = std::to_string(next() % 5000);
        r[tk::ColSales] = std::to_string(next() % 90000);
        r[tk::ColNick] = tk::Gbk("旗舰店") + std::to_string(next() % 1000);
        r[tk::ColItemId] = std::to_string(id);
        r[tk::ColLink] = "http://item.taobao.com/item.htm?id=" + std::to_string(id);
        rows.push_back(std::move(r));
    }
    return rows;
}

size_t HeapInUse() {
    malloc_trim(0);
    return mallinfo2().uordblks;
}

void BM_Append50000(benchmark::State& state) {
    const std::vector<tk::ProductRecord> rows = MakeRows();
    size_t textBytes = 0;
    for (const auto& r : rows)
        for (const auto& c : r.cells) textBytes += c.size();
    size_t heap = 0, storage = 0;
    for (auto _ : state) {
        const size_t before = HeapInUse();
        {
            tk::ProductListModel model;
            for (const auto& r : rows) model.append(r);
            state.PauseTiming();
            heap = HeapInUse() - before;
            storage = model.storageBytes();
            state.ResumeTiming();
            benchmark::DoNotOptimize(model.count());
        }
    }
    state.counters["rows"] = kRows;
    state.counters["cell_text_bytes"] = static_cast<double>(textBytes);
    state.counters["heap_bytes"] = static_cast<double>(heap);
    state.counters["storage_bytes"] = static_cast<double>(storage);
    state.counters["heap_bytes_per_row"] = static_cast<double>(heap) / kRows;
}
BENCHMARK(BM_Append50000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SortBySales50000(benchmark::State& state) {
    const std::vector<tk::ProductRecord> rows = MakeRows();
    tk::ProductListModel model;
    for (const auto& r : rows) model.append(r);
    bool descending = false;
    for (auto _ : state) {
        model.sort(tk::ColSales, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        descending = !descending;
    }
}
BENCHMARK(BM_SortBySales50000)->Unit(benchmark::kMillisecond);

void BM_SortByTitle50000(benchmark::State& state) {
    const std::vector<tk::ProductRecord> rows = MakeRows();
    tk::ProductListModel model;
    for (const auto& r : rows) model.append(r);
    bool descending = false;
    for (auto _ : state) {
        model.sort(tk::ColTitle, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        descending = !descending;
    }
}
BENCHMARK(BM_SortByTitle50000)->Unit(benchmark::kMillisecond);

// One screenful painted after a jump to a random place in a 50,000-row list: what a drag of the scroll bar costs.
void BM_ScrollAndPaint50000(benchmark::State& state) {
    if (!QApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "bench";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
    const std::vector<tk::ProductRecord> rows = MakeRows();
    tk::ProductListView view;
    view.resize(685, 502);
    for (const auto& r : rows) view.products()->append(r);
    view.show();
    QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
    unsigned seed = 7;
    for (auto _ : state) {
        seed = seed * 1103515245u + 12345u;
        view.scrollTo(view.products()->index(static_cast<int>(seed % kRows), 0));
        view.render(&frame);
    }
}
BENCHMARK(BM_ScrollAndPaint50000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
