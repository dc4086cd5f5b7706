#pragma once
#include "app/app_state.h"
#include "app/message.h"

#include <optional>
#include <string_view>

namespace tk {

enum class RegisterOutcome {
    AccountEmpty,
    PasswordEmpty,
    EmailEmpty,
    AccountForbidden,
    AccountFormat, // shorter than 8 (or longer than the box's 20)
    PasswordForbidden,
    PasswordFormat,
    EmailInvalid,
    AccountExists,
    EmailBound,
    Success,
    Failed,
};

// The eight entry checks, in order, on the texts as typed; nothing when all pass. The window runs this before
// it disables its controls.
std::optional<RegisterOutcome> RegisterEntryCheck(std::string_view account, std::string_view password,
                                                  std::string_view email);

// Entry checks, the name and e-mail lookups (each into app.lastResult), then the insert with app.clientIp and
// app.serverClock(). On Success the window empties its boxes and shows the log-in panel.
RegisterOutcome Register(AppState& app, std::string_view account, std::string_view password,
                         std::string_view email);

Message messageFor(RegisterOutcome outcome);

} // namespace tk
