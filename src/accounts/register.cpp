#include "accounts/register.h"

#include "accounts/account_sql.h"
#include "accounts/account_texts.h"
#include "accounts/validation.h"
#include "text/encoding.h"

namespace tk {

using namespace accounts;

namespace {
bool lengthOutside(std::string_view text, int limit) {
    return text.size() < static_cast<size_t>(kMinNameLength) || text.size() > static_cast<size_t>(limit);
}
} // namespace

std::optional<RegisterOutcome> RegisterEntryCheck(std::string_view account, std::string_view password,
                                                  std::string_view email) {
    if (account.empty()) return RegisterOutcome::AccountEmpty;
    if (password.empty()) return RegisterOutcome::PasswordEmpty;
    if (email.empty()) return RegisterOutcome::EmailEmpty;
    if (HasForbiddenCharacter(account)) return RegisterOutcome::AccountForbidden;
    // The upper bounds are the boxes' limits; repeated here for callers without a box (taoke-cli), so that no
    // account is made that the windows could not type. Past the forbidden check bytes are characters.
    if (lengthOutside(account, kRegisterAccountLimit))
        return RegisterOutcome::AccountFormat;
    if (HasForbiddenCharacter(password)) return RegisterOutcome::PasswordForbidden;
    if (lengthOutside(password, kRegisterPasswordLimit))
        return RegisterOutcome::PasswordFormat;
    if (!IsValidEmail(email) || email.size() > static_cast<size_t>(kRegisterEmailLimit)) return RegisterOutcome::EmailInvalid;
    return std::nullopt;
}

RegisterOutcome Register(AppState& app, std::string_view account, std::string_view password,
                         std::string_view email) {
    if (auto refused = RegisterEntryCheck(account, password, email)) return *refused;
    const std::string a = StripQuotes(account);
    const std::string p = StripQuotes(password);
    const std::string m = StripQuotes(email);

    // A failed lookup (-1) counts as free; the insert then fails as well.
    app.lastResult = QueryGateway(app.gateway, AccountExistsQuery(a));
    if (RowCount(app.lastResult) >= 1) return RegisterOutcome::AccountExists;
    app.lastResult = QueryGateway(app.gateway, EmailExistsQuery(m));
    if (RowCount(app.lastResult) >= 1) return RegisterOutcome::EmailBound;

    // Two registrations racing past the lookups meet the database's unique keys: the second insert fails.
    const int done = ExecuteGateway(app.gateway, RegisterStatement(a, p, m, app.clientIp, app.serverClock()));
    return done == 1 ? RegisterOutcome::Success : RegisterOutcome::Failed;
}

Message messageFor(RegisterOutcome outcome) {
    using namespace accounts::text;
    auto info = [](std::string_view t) { return Message{Gbk(t), MessageIcon::Information, {}}; };
    switch (outcome) {
    case RegisterOutcome::AccountEmpty: return info(kRegisterAccountEmpty);
    case RegisterOutcome::PasswordEmpty: return info(kRegisterPasswordEmpty);
    case RegisterOutcome::EmailEmpty: return info(kRegisterEmailEmpty);
    case RegisterOutcome::AccountForbidden: return info(kRegisterAccountForbidden);
    case RegisterOutcome::AccountFormat: return info(kRegisterAccountFormat);
    case RegisterOutcome::PasswordForbidden: return info(kPasswordForbidden);
    case RegisterOutcome::PasswordFormat: return info(kPasswordFormat);
    case RegisterOutcome::EmailInvalid: return info(kRegisterEmailInvalid);
    case RegisterOutcome::AccountExists: return {Gbk(kRegisterAccountExists), MessageIcon::Warning, {}};
    case RegisterOutcome::EmailBound: return {Gbk(kRegisterEmailBound), MessageIcon::Warning, {}};
    case RegisterOutcome::Success: return info(kRegisterDone);
    case RegisterOutcome::Failed: return {Gbk(kRegisterFailed), MessageIcon::Error, {}};
    }
    return {};
}

} // namespace tk
