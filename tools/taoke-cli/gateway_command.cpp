#include "commands.h"

#include <cstdio>

namespace tk::cli {

int runGatewayCommand(Args) {
    std::fputs("taoke-cli gateway: not available in this build\n", stderr);
    return 2;
}

} // namespace tk::cli
