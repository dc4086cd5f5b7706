#include "accounts/log_in.h"

#include "accounts/account_sql.h"
#include "accounts/account_texts.h"
#include "accounts/random_text.h"
#include "accounts/validation.h"
#include "text/encoding.h"
#include "text/gbk_text.h"
#include "text/numbers.h"

#include <cmath>

namespace tk {

using namespace accounts;

std::optional<LogInOutcome> LogInEntryCheck(std::string_view account, std::string_view password) {
    if (account.empty()) return LogInOutcome::AccountEmpty;
    if (password.empty()) return LogInOutcome::PasswordEmpty;
    return std::nullopt;
}

bool IsFrozenFlag(std::string_view cell) { return std::fabs(TextToNumber(cell) - 1.0) <= 1e-7; }

LogInOutcome VerifyAccount(AppState& app, std::string_view account, std::string_view password) {
    if (auto refused = LogInEntryCheck(account, password)) return *refused;
    const std::string a = StripQuotes(account);
    const std::string p = StripQuotes(password);
    app.lastResult = QueryGateway(app.gateway, accounts::LogInQuery(a, p));
    const ResultTable& t = app.lastResult;
    // The database may have matched without regard to case; the client insists on the bytes.
    if (RowCount(t) != 1 || CellText(t, kColName, 1) != a || CellText(t, kColPassword, 1) != p)
        return LogInOutcome::WrongAccountOrPassword;
    if (IsFrozenFlag(CellText(t, kColFrozen, 1))) return LogInOutcome::Frozen;
    app.currentUserId = CellText(t, kColId, 1);
    return LogInOutcome::Success;
}

LogInOutcome LogIn(AppState& app, std::string_view account, std::string_view password) {
    const LogInOutcome outcome = VerifyAccount(app, account, password);
    if (outcome == LogInOutcome::Success) SetOnlineState(app, 1);
    return outcome;
}

int SetOnlineState(AppState& app, int online) {
    if (online == 1) {
        app.onlineKey = AsciiUpper(RandomText(accounts::kOnlineKeyLength));
        return ExecuteGateway(app.gateway,
                              accounts::MarkOnlineStatement(app.clientIp, app.onlineKey, app.currentUserId));
    }
    return ExecuteGateway(app.gateway, accounts::MarkOfflineStatement(app.currentUserId));
}

Message messageFor(LogInOutcome outcome) {
    using namespace accounts::text;
    switch (outcome) {
    case LogInOutcome::AccountEmpty: return {Gbk(kLogInAccountEmpty), MessageIcon::Information, {}};
    case LogInOutcome::PasswordEmpty: return {Gbk(kLogInPasswordEmpty), MessageIcon::Information, {}};
    case LogInOutcome::WrongAccountOrPassword: return {Gbk(kLogInWrong), MessageIcon::Error, {}};
    case LogInOutcome::Frozen: return {Gbk(kLogInFrozen), MessageIcon::Error, {}};
    case LogInOutcome::Success: break;
    }
    return {};
}

} // namespace tk
