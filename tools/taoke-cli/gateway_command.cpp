// taoke-cli gateway query|exec "SQL": one statement through the gateway, for checking a server by hand.
#include "cli_common.h"
#include "commands.h"

#include "gateway/gateway_client.h"
#include "text/encoding.h"

#include <cstdio>

namespace tk::cli {
namespace {

int usage() {
    std::fputs("usage: taoke-cli gateway query \"SQL\" [--gateway URL]\n"
               "       taoke-cli gateway exec \"SQL\" [--gateway URL]\n"
               "SQL is UTF-8 and goes to the gateway as GBK; a query prints its table TAB-separated (header row\n"
               "first), exec prints 1 on success and 0 on failure.\n",
               stderr);
    return 2;
}

} // namespace

int runGatewayCommand(Args args) {
    AppState app;
    std::string error;
    if (!takeServerFlags(args, app.settings, error)) {
        std::fprintf(stderr, "taoke-cli gateway: %s\n", error.c_str());
        return 2;
    }
    if (args.size() != 2 || (args[0] != "query" && args[0] != "exec")) return usage();
    const std::string sql = Utf8ToGbk(args[1]);

    if (!connectGateway(app)) {
        std::fprintf(stderr, "taoke-cli gateway: no gateway answers at %s%s\n", app.settings.gatewayBase.c_str(),
                     app.settings.gatewayPage.c_str());
        return 1;
    }
    if (args[0] == "exec") {
        const int ok = ExecuteGateway(app.gateway, sql);
        std::printf("%d\n", ok);
        return ok == 1 ? 0 : 1;
    }
    const ResultTable table = QueryGateway(app.gateway, sql);
    if (RowCount(table) < 0) {
        std::fputs("taoke-cli gateway: no result (refused, failed or not answered)\n", stderr);
        return 1;
    }
    std::string out;
    for (int r = 1; r <= table.rows; ++r) {
        for (int c = 1; c <= table.cols; ++c) {
            if (c > 1) out += '\t';
            out += GbkToUtf8(table.at(r, c));
        }
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

} // namespace tk::cli
