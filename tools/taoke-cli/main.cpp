// taoke-cli: the client's logic without windows, for the maker, scripts and end-to-end tests.
#include "commands.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace tk::cli {

std::optional<std::string> takeOption(Args& args, const std::string& name, bool* missing) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != name) continue;
        if (i + 1 >= args.size()) {
            if (missing) *missing = true;
            args.erase(args.begin() + static_cast<long>(i));
            return std::nullopt;
        }
        std::string value = args[i + 1];
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        return value;
    }
    return std::nullopt;
}

bool takeSwitch(Args& args, const std::string& name) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            args.erase(args.begin() + static_cast<long>(i));
            return true;
        }
    }
    return false;
}

} // namespace tk::cli

static void usage() {
    std::fputs("usage:\n"
               "  taoke-cli gateway query|exec \"SQL\" [--gateway URL]\n"
               "  taoke-cli account register|login|logout|recover|passwd ... [--gateway URL]\n"
               "  taoke-cli collect --account A --password P [conditions] --columns LIST -o FILE\n",
               stderr);
}

int main(int argc, char** argv) {
    // An application object gives the clock timer and the waits an event loop, as in the client.
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        usage();
        return 2;
    }
    tk::cli::Args args(argv + 2, argv + argc);
    if (std::strcmp(argv[1], "gateway") == 0) return tk::cli::runGatewayCommand(std::move(args));
    if (std::strcmp(argv[1], "account") == 0) return tk::cli::runAccountCommand(std::move(args));
    if (std::strcmp(argv[1], "collect") == 0) return tk::cli::runCollectCommand(std::move(args));
    usage();
    return 2;
}
