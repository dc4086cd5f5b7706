#include "commands.h"

#include <cstdio>

namespace tk::cli {

int runCollectCommand(Args) {
    std::fputs("taoke-cli collect: not available in this build\n", stderr);
    return 2;
}

} // namespace tk::cli
