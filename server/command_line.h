#pragma once
#include <ostream>
#include <string>
#include <vector>

namespace tk::gateway {
// taoke-gateway's commands: serve, and the maker's setup/users commands on the same file.
// args excludes the program name. Returns the exit status.
int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
} // namespace tk::gateway
