#include "support/paths.h"

namespace tk::test {
#ifdef TEST_BIN_TAOKE_GATEWAY
std::string gatewayBinary() { return TEST_BIN_TAOKE_GATEWAY; }
#else
std::string gatewayBinary() { return {}; }
#endif
#ifdef TEST_BIN_SAMPLE_SEARCH
std::string sampleSearchBinary() { return TEST_BIN_SAMPLE_SEARCH; }
#else
std::string sampleSearchBinary() { return {}; }
#endif
#ifdef TEST_BIN_TAOKE_CLI
std::string cliBinary() { return TEST_BIN_TAOKE_CLI; }
#else
std::string cliBinary() { return {}; }
#endif
#ifdef TEST_BIN_TAOKE
std::string clientBinary() { return TEST_BIN_TAOKE; }
#else
std::string clientBinary() { return {}; }
#endif
std::string sourceDir() { return TEST_SOURCE_DIR; }
} // namespace tk::test
