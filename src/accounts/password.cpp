#include "accounts/password.h"

#include "accounts/account_sql.h"
#include "accounts/account_texts.h"
#include "accounts/validation.h"
#include "text/encoding.h"

namespace tk {

using namespace accounts;


std::optional<RecoverOutcome> RecoverEntryCheck(std::string_view account, std::string_view email) {
    if (account.empty()) return RecoverOutcome::AccountEmpty;
    if (email.empty()) return RecoverOutcome::EmailEmpty;
    return std::nullopt;
}

RecoverResult RecoverPassword(AppState& app, std::string_view account, std::string_view email) {
    if (auto refused = RecoverEntryCheck(account, email)) return {*refused, {}};
    const std::string a = StripQuotes(account);
    const std::string m = StripQuotes(email);
    app.lastResult = QueryGateway(app.gateway, RecoverQuery(a, m));
    const ResultTable& t = app.lastResult;
    if (RowCount(t) == 1 && CellText(t, kColName, 1) == a && CellText(t, kColEmail, 1) == m)
        return {RecoverOutcome::Success, CellText(t, kColPassword, 1)};
    return {RecoverOutcome::Wrong, {}};
}

Message messageFor(const RecoverResult& result) {
    using namespace accounts::text;
    switch (result.outcome) {
    case RecoverOutcome::AccountEmpty: return {Gbk(kRecoverAccountEmpty), MessageIcon::Information, {}};
    case RecoverOutcome::EmailEmpty: return {Gbk(kRecoverEmailEmpty), MessageIcon::Information, {}};
    case RecoverOutcome::Wrong: return {Gbk(kRecoverWrong), MessageIcon::Warning, {}};
    case RecoverOutcome::Success:
        return {Gbk(kRecoverShowPrefix) + result.password + Gbk(kRecoverShowSuffix), MessageIcon::Information, {}};
    }
    return {};
}

std::optional<ChangePasswordOutcome> ChangePasswordEntryCheck(std::string_view oldPassword,
                                                              std::string_view newPassword,
                                                              std::string_view confirmation) {
    if (oldPassword.empty()) return ChangePasswordOutcome::OldEmpty;
    if (newPassword.empty()) return ChangePasswordOutcome::NewEmpty;
    if (confirmation.empty()) return ChangePasswordOutcome::ConfirmEmpty;
    if (HasForbiddenCharacter(newPassword)) return ChangePasswordOutcome::NewForbidden;
    // The upper bound is the box's limit, repeated for callers without a box.
    if (newPassword.size() < static_cast<size_t>(kMinNameLength) ||
        newPassword.size() > static_cast<size_t>(kNewPasswordLimit))
        return ChangePasswordOutcome::NewFormat;
    if (newPassword != confirmation) return ChangePasswordOutcome::ConfirmDiffers;
    return std::nullopt;
}

ChangePasswordOutcome ChangePassword(AppState& app, std::string_view oldPassword, std::string_view newPassword,
                                     std::string_view confirmation) {
    if (auto refused = ChangePasswordEntryCheck(oldPassword, newPassword, confirmation)) return *refused;
    const std::string n = StripQuotes(newPassword);
    // A failed query reads as an empty stored password, which no typed old password equals.
    app.lastResult = QueryGateway(app.gateway, UserByIdQuery(app.currentUserId));
    if (CellText(app.lastResult, kColPassword, 1) != oldPassword) return ChangePasswordOutcome::OldWrong;
    const int done = ExecuteGateway(app.gateway, PasswordUpdateStatement(n, app.currentUserId));
    return done == 1 ? ChangePasswordOutcome::Success : ChangePasswordOutcome::Failed;
}

Message messageFor(ChangePasswordOutcome outcome) {
    using namespace accounts::text;
    auto warn = [](std::string_view t) { return Message{Gbk(t), MessageIcon::Warning, {}}; };
    switch (outcome) {
    case ChangePasswordOutcome::OldEmpty: return warn(kChangeOldEmpty);
    case ChangePasswordOutcome::NewEmpty: return warn(kChangeNewEmpty);
    case ChangePasswordOutcome::ConfirmEmpty: return warn(kChangeConfirmEmpty);
    case ChangePasswordOutcome::NewForbidden: return warn(kPasswordForbidden);
    case ChangePasswordOutcome::NewFormat: return warn(kPasswordFormat);
    case ChangePasswordOutcome::ConfirmDiffers: return warn(kChangeMismatch);
    case ChangePasswordOutcome::OldWrong: return warn(kChangeOldWrong);
    case ChangePasswordOutcome::Success: return {Gbk(kChangeDone), MessageIcon::Information, {}};
    case ChangePasswordOutcome::Failed: return warn(kChangeFailed);
    }
    return {};
}

} // namespace tk
