// taoke-cli collect: a whole collection without windows — log in, fetch the pages, write the ticked columns,
// log out. Values arrive in UTF-8 and go into the search exactly as the boxes would hold them. Progress goes to
// stderr, the messages the window would show to stdout (UTF-8). Exit 0 when the file was written, 1 when the
// log-in or the write failed, 2 on a usage error.
#include "cli_common.h"
#include "commands.h"

#include "accounts/log_in.h"
#include "app/bootstrap.h"
#include "collect/collection.h"
#include "collect/export.h"
#include "gateway/gateway_client.h"
#include "text/encoding.h"
#include "text/gbk_text.h"

#include <QString>

#include <cstdio>
#include <map>

namespace tk::cli {

namespace {

int collectUsage(const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "taoke-cli collect: %s\n", problem.c_str());
    std::fputs("usage: taoke-cli collect --account A --password P [--gateway URL] [--search-host HOST[:PORT]]\n"
               "         [--keyword K] [--tmall] [--free-shipping] [--min-sales N] [--rate-from X] [--rate-to Y]\n"
               "         [--price-from X] [--price-to Y] [--pages N] --columns LIST -o FILE [--no-login]\n"
               "  LIST: comma list of title,price,rate,commission,promotion,sales,nick,id,link\n"
               "  --no-login: skip the account (for a search service that needs none)\n",
               stderr);
    return 2;
}

void say(const std::string& gbk) {
    std::printf("%s\n", GbkToUtf8(gbk).c_str());
    std::fflush(stdout);
}

struct ProgressSink : ProductSink {
    std::vector<ProductRecord> rows;
    void clear() override { rows.clear(); }
    int rowCount() const override { return static_cast<int>(rows.size()); }
    void addProduct(const ProductRecord& row) override { rows.push_back(row); }
    void pageDone(int page, int pages, int collected) override {
        std::fprintf(stderr, "page %d of %d, %d products\n", page, pages, collected);
    }
};

const std::map<std::string, int> kColumnNames = {
    {"title", ColTitle},   {"price", ColPrice}, {"rate", ColRate}, {"commission", ColCommission},
    {"promotion", ColPromotion}, {"sales", ColSales}, {"nick", ColNick}, {"id", ColItemId}, {"link", ColLink},
};

} // namespace

int runCollectCommand(Args args) {
    bool missing = false;
    auto text = [&](const char* flag, const char* initial = "") {
        return Utf8ToGbk(takeOption(args, flag, &missing).value_or(initial));
    };
    const std::string account = text("--account");
    const std::string password = text("--password");
    SearchConditions conditions;
    conditions.keyword = text("--keyword");
    conditions.minSales = text("--min-sales");
    conditions.rateFrom = text("--rate-from");
    conditions.rateTo = text("--rate-to");
    conditions.priceFrom = text("--price-from");
    conditions.priceTo = text("--price-to");
    conditions.lastPage = text("--pages", "10");
    conditions.tmallOnly = takeSwitch(args, "--tmall");
    conditions.freeShipping = takeSwitch(args, "--free-shipping");
    const std::optional<std::string> columns = takeOption(args, "--columns", &missing);
    const std::optional<std::string> output = takeOption(args, "-o", &missing);
    const std::optional<std::string> searchHost = takeOption(args, "--search-host", &missing);
    const bool noLogin = takeSwitch(args, "--no-login");

    AppState app;
    std::string error;
    if (!takeServerFlags(args, app.settings, error)) return collectUsage(error);
    if (missing) return collectUsage("a flag is missing its value");
    if (!args.empty()) return collectUsage("unexpected argument " + args.front());
    if (!output || output->empty()) return collectUsage("-o FILE is required");
    if (searchHost) app.settings.searchHost = *searchHost;

    ExportChoice choice;
    for (const std::string& name : SplitText(columns.value_or(""), ",")) {
        auto it = kColumnNames.find(std::string(TrimBlanks(name)));
        if (it == kColumnNames.end()) return collectUsage("unknown column " + name);
        choice.ticked[static_cast<size_t>(it->second)] = true;
    }
    if (!choice.any()) {
        say(Gbk(kNothingTickedMessage));
        return 2;
    }

    if (!noLogin) {
        if (!connectGateway(app)) {
            say(OfflineMessageText());
            return 1;
        }
        app.lastResult = QueryGateway(app.gateway, kSetupQuery);
        if (RowCount(app.lastResult) == 1 && CellText(app.lastResult, kSetupLatestVersionColumn, 1) != kRunningVersion) {
            say(OutdatedMessageText());
            return 1;
        }
        LogInOutcome outcome = LogIn(app, account, password);
        if (outcome != LogInOutcome::Success) {
            say(messageFor(outcome).text);
            return 1;
        }
    }

    CollectRequest request;
    request.searchHost = app.settings.searchHost;
    request.conditions = conditions;
    ProgressSink sink;
    JsonDocument doc;
    CollectOutcome run = CollectProducts(request, sink, doc);
    if (run.failedPages > 0) std::fprintf(stderr, "%d of %d pages gave no readable answer\n", run.failedPages, run.pages);
    say(CollectionDoneMessage(run.collected));

    ExportOutcome saved = ExportProducts(sink.rows, false, choice, QString::fromLocal8Bit(output->c_str()));
    say(ExportMessage(saved));

    if (!noLogin) SetOnlineState(app, 0);
    return saved == ExportOutcome::Saved ? 0 : 1;
}

} // namespace tk::cli
