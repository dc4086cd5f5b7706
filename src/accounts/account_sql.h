#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The statements of the account operations. The gateway recognises them by their shape, so the spacing
// (double blanks included) is part of the contract. Values arrive with their quotes already stripped.
namespace tk::accounts {

// Positions of the users columns the client reads, in the rows of "select * from users ...".
inline constexpr int kColId = 1;
inline constexpr int kColName = 2;
inline constexpr int kColPassword = 3;
inline constexpr int kColEmail = 4;
inline constexpr int kColIp = 5;
inline constexpr int kColFrozen = 9;
inline constexpr int kColOnlineKey = 10;

std::string LogInQuery(std::string_view account, std::string_view password);
std::string UserByIdQuery(std::string_view userId);
std::string MarkOnlineStatement(std::string_view clientIp, std::string_view onlineKey, std::string_view userId);
std::string MarkOfflineStatement(std::string_view userId);
std::string AccountExistsQuery(std::string_view account);
std::string EmailExistsQuery(std::string_view email);
std::string RegisterStatement(std::string_view account, std::string_view password, std::string_view email,
                              std::string_view clientIp, int64_t serverClock);
std::string RecoverQuery(std::string_view account, std::string_view email);
std::string PasswordUpdateStatement(std::string_view newPassword, std::string_view userId);

} // namespace tk::accounts
