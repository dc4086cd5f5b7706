#include "accounts/account_sql.h"

namespace tk::accounts {

namespace {
std::string join(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) out.append(p);
    return out;
}
} // namespace

std::string LogInQuery(std::string_view account, std::string_view password) {
    return join({"select * from users where username='", account, "' and password='", password, "'"});
}

std::string UserByIdQuery(std::string_view userId) { return join({"select * from users where id=", userId}); }

std::string MarkOnlineStatement(std::string_view clientIp, std::string_view onlineKey, std::string_view userId) {
    return join({"update  users set `ip`='", clientIp, "',`zx`=1,`zxkey`='", onlineKey, "' where id=", userId});
}

std::string MarkOfflineStatement(std::string_view userId) {
    return join({"update  users set `zx`=0  where id=", userId});
}

std::string AccountExistsQuery(std::string_view account) {
    return join({"select * from users where username='", account, "'"});
}

std::string EmailExistsQuery(std::string_view email) {
    return join({"select * from users where email='", email, "'"});
}

std::string RegisterStatement(std::string_view account, std::string_view password, std::string_view email,
                              std::string_view clientIp, int64_t serverClock) {
    const std::string clock = std::to_string(serverClock);
    return join({"INSERT INTO users (`username`,`password`,`email`,`ip`,`zctime`) VALUES ('", account, "','",
                 password, "','", email, "','", clientIp, "','", clock, "')"});
}

std::string RecoverQuery(std::string_view account, std::string_view email) {
    return join({"select * from users where username='", account, "' and email='", email, "'"});
}

std::string PasswordUpdateStatement(std::string_view newPassword, std::string_view userId) {
    return join({"update  users set `password`='", newPassword, "'  where id=", userId});
}

} // namespace tk::accounts
