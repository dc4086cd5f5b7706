#pragma once
#include "app/app_state.h"
#include "app/message.h"

#include <optional>
#include <string>
#include <string_view>

namespace tk {

enum class RecoverOutcome { AccountEmpty, EmailEmpty, Wrong, Success };

struct RecoverResult {
    RecoverOutcome outcome = RecoverOutcome::Wrong;
    std::string password; // the stored password, exactly as stored, on Success
};

std::optional<RecoverOutcome> RecoverEntryCheck(std::string_view account, std::string_view email);

// Shows the stored password to whoever names the account together with its e-mail address, byte for byte.
// The query replaces app.lastResult. On Success the window empties both boxes and shows the log-in panel.
RecoverResult RecoverPassword(AppState& app, std::string_view account, std::string_view email);

Message messageFor(const RecoverResult& result);

enum class ChangePasswordOutcome {
    OldEmpty,
    NewEmpty,
    ConfirmEmpty,
    NewForbidden,
    NewFormat, // shorter than 8 (or longer than the box's 20)
    ConfirmDiffers,
    OldWrong,
    Success,
    Failed,
};

std::optional<ChangePasswordOutcome> ChangePasswordEntryCheck(std::string_view oldPassword,
                                                              std::string_view newPassword,
                                                              std::string_view confirmation);

// Replaces the logged-in row's (app.currentUserId) password after comparing the old one as typed with the
// stored one. The query replaces app.lastResult; log-in state and online key stay as they are.
ChangePasswordOutcome ChangePassword(AppState& app, std::string_view oldPassword, std::string_view newPassword,
                                     std::string_view confirmation);

Message messageFor(ChangePasswordOutcome outcome);

} // namespace tk
