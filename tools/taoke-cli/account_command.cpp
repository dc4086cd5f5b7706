#include "commands.h"

#include <cstdio>

namespace tk::cli {

int runAccountCommand(Args) {
    std::fputs("taoke-cli account: not available in this build\n", stderr);
    return 2;
}

} // namespace tk::cli
