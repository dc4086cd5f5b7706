#pragma once
#include "app/message.h"

#include <string_view>

// The fixed texts of the account operations, as UTF-8 literals (tk::Gbk gives the bytes the windows show),
// and the entry-box limits the windows apply. One place, so the windows and taoke-cli say the same.
namespace tk::accounts {

// Box limits in characters.
inline constexpr int kLogInAccountLimit = 20;
inline constexpr int kLogInPasswordLimit = 20;
inline constexpr int kRegisterAccountLimit = 20;
inline constexpr int kRegisterPasswordLimit = 20;
inline constexpr int kRegisterEmailLimit = 30;
inline constexpr int kRecoverAccountLimit = 20;
// As wide as the register box: an address that registration took must be typeable here too.
inline constexpr int kRecoverEmailLimit = 30;
inline constexpr int kOldPasswordLimit = 0; // no limit
inline constexpr int kNewPasswordLimit = 20;
inline constexpr int kConfirmPasswordLimit = 20;

inline constexpr int kMinNameLength = 8;
inline constexpr int kOnlineKeyLength = 50;

namespace text {
// Log-in
inline constexpr std::string_view kLogInAccountEmpty = "请输入你的青禾账号！";
inline constexpr std::string_view kLogInPasswordEmpty = "请输入你的登录密码！";
inline constexpr std::string_view kLogInWrong = "你输入的账号或密码不正确！";
inline constexpr std::string_view kLogInFrozen = "此账号已被冻结，请联系客服解决";
inline constexpr std::string_view kLogInButtonBusy = "正在登录中";
inline constexpr std::string_view kLogInButtonIdle = "登     录";

// Heartbeat
inline constexpr std::string_view kNetworkGone = "网络连接已断开！";
inline constexpr std::string_view kServerFailed = "与服务器连接失败！";
inline constexpr std::string_view kKeyEmpty = "与服务器断开连接！";
inline constexpr std::string_view kKeyEmptyCaption = "警告";
inline constexpr std::string_view kKeyDifferent = "你的账户在别处登录，如不是本人操作，建议请尽快修改密码！";
inline constexpr std::string_view kKeyDifferentCaption = "异地登录";

// Registration
inline constexpr std::string_view kRegisterAccountEmpty = "请填写要注册的账号！";
inline constexpr std::string_view kRegisterPasswordEmpty = "请填写注册账号的密码！";
inline constexpr std::string_view kRegisterEmailEmpty = "请填写绑定账号的邮箱！";
inline constexpr std::string_view kRegisterAccountForbidden = "注册账户中不能包含汉字、字符或空格！";
inline constexpr std::string_view kRegisterAccountFormat = "账号格式为8-20位的字母或数字！";
inline constexpr std::string_view kPasswordForbidden = "密码中不能包含汉字、字符或空格！";
inline constexpr std::string_view kPasswordFormat = "密码格式为8-20位的字母或数字！";
inline constexpr std::string_view kRegisterEmailInvalid = "请输入正确的邮箱格式！";
inline constexpr std::string_view kRegisterAccountExists = "改帐号已存在,请更换帐号！";
inline constexpr std::string_view kRegisterEmailBound = "此邮箱已被绑定其他账户，请更换邮箱！";
inline constexpr std::string_view kRegisterDone = "注册成功，赶快登录呦！";
inline constexpr std::string_view kRegisterFailed = "注册失败，请重新尝试！";

// Recovery
inline constexpr std::string_view kRecoverAccountEmpty = "请请输入你的账号！";
inline constexpr std::string_view kRecoverEmailEmpty = "请输入绑定账号的邮箱！";
inline constexpr std::string_view kRecoverShowPrefix = "你的登录密码为[";
inline constexpr std::string_view kRecoverShowSuffix = "]，赶快登录呦！";
inline constexpr std::string_view kRecoverWrong = "账号或邮箱输入不正确！";

// Password change
inline constexpr std::string_view kChangeOldEmpty = "请输入你的账户原始密码！";
inline constexpr std::string_view kChangeNewEmpty = "请输入要修改的密码！";
inline constexpr std::string_view kChangeConfirmEmpty = "请再次输入密码！";
inline constexpr std::string_view kChangeMismatch = "两次输入密码不一致，请重新输入！";
inline constexpr std::string_view kChangeOldWrong = "原始密码不正确，请重新输入！";
inline constexpr std::string_view kChangeDone = "密码修改成功，请牢记你的新密码！";
inline constexpr std::string_view kChangeFailed = "修改失败，请稍后再试！";
} // namespace text

} // namespace tk::accounts
