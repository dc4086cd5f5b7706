#pragma once
#include <optional>
#include <string>
#include <vector>

namespace tk::cli {

// Arguments after the subcommand's name, e.g. for "taoke-cli gateway query SQL": {"query", "SQL"}.
using Args = std::vector<std::string>;

// Pulls "--name VALUE" out of args; nothing when the flag is absent. A flag without a value is an error that
// the caller reports (missing is set).
std::optional<std::string> takeOption(Args& args, const std::string& name, bool* missing = nullptr);
// Pulls a "--name" switch out of args.
bool takeSwitch(Args& args, const std::string& name);

int runGatewayCommand(Args args);  // gateway_command.cpp
int runAccountCommand(Args args);  // account_command.cpp
int runCollectCommand(Args args);  // collect_command.cpp

} // namespace tk::cli
