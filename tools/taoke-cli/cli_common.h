#pragma once
#include "app/app_state.h"
#include "commands.h"

#include <string>
#include <string_view>

// What every taoke-cli subcommand shares: the server flags and the connect.
namespace tk::cli {

// "http://" host [":" port] "/" — the form of the built-in gateway base address.
bool validBaseUrl(std::string_view url);

// Takes "--gateway URL" (and, with probe, "--probe URL") out of args into settings. On a flag without its
// value or a malformed address, returns false with a message in error.
bool takeServerFlags(Args& args, ClientSettings& settings, std::string& error, bool probe = false);

// ConnectGateway with the settings, reading the clock and the client IP; the descriptor goes to app.gateway.
// False when the gateway gave no usable clock (unreachable, or not a gateway).
bool connectGateway(AppState& app);

} // namespace tk::cli
