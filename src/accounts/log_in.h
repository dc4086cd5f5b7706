#pragma once
#include "app/app_state.h"
#include "app/message.h"

#include <optional>
#include <string>
#include <string_view>

namespace tk {

enum class LogInOutcome { AccountEmpty, PasswordEmpty, WrongAccountOrPassword, Frozen, Success };

// The two emptiness checks on the texts as typed; nothing when both boxes hold text. The window runs this
// before it disables its controls.
std::optional<LogInOutcome> LogInEntryCheck(std::string_view account, std::string_view password);

// Entry checks, the account query (into app.lastResult), the byte-exact re-check of name and password and the
// frozen flag. On Success app.currentUserId holds the row's id; nothing is written to the server.
LogInOutcome VerifyAccount(AppState& app, std::string_view account, std::string_view password);

// VerifyAccount, then on Success SetOnlineState(app, 1). The window then opens the main window.
LogInOutcome LogIn(AppState& app, std::string_view account, std::string_view password);

// 1: a fresh upper-case 50-character key into app.onlineKey and the row; 0: the row's online flag cleared.
// Returns the gateway's verdict (1 = written); the windows ignore it (the next heartbeat notices a failed write).
int SetOnlineState(AppState& app, int online);

// The frozen flag counts as set when its number lies within 1e-7 of 1.
bool IsFrozenFlag(std::string_view cell);

// The message a window shows for an outcome; Success has none (empty text).
Message messageFor(LogInOutcome outcome);

} // namespace tk
