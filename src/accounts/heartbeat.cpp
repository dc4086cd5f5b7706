#include "accounts/heartbeat.h"

#include "accounts/account_sql.h"
#include "accounts/account_texts.h"
#include "app/internet_check.h"
#include "text/encoding.h"

namespace tk {

using accounts::kColOnlineKey;

OnlineCheck CheckOnline(const AppState& app) {
    if (!InternetAvailable(app.settings.probeUrl)) return OnlineCheck::NetworkGone;
    const ResultTable row = QueryGateway(app.gateway, accounts::UserByIdQuery(app.currentUserId));
    if (RowCount(row) != 1) return OnlineCheck::NoSingleRow;
    const std::string key = CellText(row, kColOnlineKey, 1);
    if (key.empty()) return OnlineCheck::KeyEmpty;
    return key == app.onlineKey ? OnlineCheck::KeyEqual : OnlineCheck::KeyDifferent;
}

Message messageFor(OnlineCheck check) {
    using namespace accounts::text;
    switch (check) {
    case OnlineCheck::NetworkGone: return {Gbk(kNetworkGone), MessageIcon::None, {}};
    case OnlineCheck::NoSingleRow: return {Gbk(kServerFailed), MessageIcon::None, {}};
    case OnlineCheck::KeyEmpty: return {Gbk(kKeyEmpty), MessageIcon::Error, Gbk(kKeyEmptyCaption)};
    case OnlineCheck::KeyDifferent: return {Gbk(kKeyDifferent), MessageIcon::Error, Gbk(kKeyDifferentCaption)};
    case OnlineCheck::KeyEqual: break;
    }
    return {};
}

} // namespace tk
