#pragma once
#include <string>

namespace tk::test {
// Paths of the project's own programs as built next to the tests; empty when the target does not exist.
std::string gatewayBinary();
std::string sampleSearchBinary();
std::string cliBinary();
std::string clientBinary();
std::string sourceDir();
} // namespace tk::test
