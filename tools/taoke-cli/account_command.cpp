// taoke-cli account: the account operations of the windows, for scripts. Values arrive in UTF-8 and go to the
// logic as GBK; the message the window would show is printed in UTF-8. Exit 0 on success, 1 when the operation
// was refused or failed, 2 on a usage error.
#include "cli_common.h"
#include "commands.h"

#include "accounts/log_in.h"
#include "accounts/password.h"
#include "accounts/register.h"
#include "app/app_state.h"
#include "text/encoding.h"

#include <cstdio>
#include <map>

namespace tk::cli {

namespace {

// The start-up's words for a gateway that cannot be reached.
constexpr const char* kConnectFailed = "连接服务器失败，请稍后重试";

int accountUsage(const char* problem) {
    if (problem) std::fprintf(stderr, "taoke-cli account: %s\n", problem);
    std::fputs("usage:\n"
               "  taoke-cli account register --account A --password P --email M [--gateway URL]\n"
               "  taoke-cli account login    --account A --password P [--gateway URL]\n"
               "  taoke-cli account logout   --account A --password P [--gateway URL]\n"
               "  taoke-cli account recover  --account A --email M [--gateway URL]\n"
               "  taoke-cli account passwd   --account A --password P --old O --new N --confirm C [--gateway URL]\n",
               stderr);
    return 2;
}

void say(const std::string& gbk) {
    if (gbk.empty()) return;
    std::printf("%s\n", GbkToUtf8(gbk).c_str());
    std::fflush(stdout);
}

int finish(const Message& message, bool success) {
    say(message.text);
    return success ? 0 : 1;
}

} // namespace

int runAccountCommand(Args args) {
    if (args.empty()) return accountUsage("no operation given");
    const std::string verb = args.front();
    args.erase(args.begin());

    static const std::map<std::string, std::vector<std::string>> kFlags = {
        {"register", {"--account", "--password", "--email"}},
        {"login", {"--account", "--password"}},
        {"logout", {"--account", "--password"}},
        {"recover", {"--account", "--email"}},
        {"passwd", {"--account", "--password", "--old", "--new", "--confirm"}},
    };
    auto known = kFlags.find(verb);
    if (known == kFlags.end()) return accountUsage(("unknown operation " + verb).c_str());

    AppState app;
    std::string problem;
    if (!takeServerFlags(args, app.settings, problem)) return accountUsage(problem.c_str());
    bool missing = false;
    // An absent value is the empty box: the operation itself then says what is missing.
    std::map<std::string, std::string> value;
    for (const std::string& flag : known->second) value[flag] = Utf8ToGbk(takeOption(args, flag, &missing).value_or(""));
    if (missing) return accountUsage("a flag is missing its value");
    if (!args.empty()) return accountUsage(("unexpected argument " + args.front()).c_str());

    if (!connectGateway(app)) {
        std::printf("%s\n", kConnectFailed);
        return 1;
    }

    const std::string& account = value["--account"];
    const std::string& password = value["--password"];

    if (verb == "register") {
        const RegisterOutcome outcome = Register(app, account, password, value["--email"]);
        return finish(messageFor(outcome), outcome == RegisterOutcome::Success);
    }
    if (verb == "recover") {
        const RecoverResult result = RecoverPassword(app, account, value["--email"]);
        return finish(messageFor(result), result.outcome == RecoverOutcome::Success);
    }
    if (verb == "login") {
        // The window's log-in, with the online write's verdict kept: a script must not hold a key the row lacks.
        const LogInOutcome outcome = VerifyAccount(app, account, password);
        if (outcome != LogInOutcome::Success) return finish(messageFor(outcome), false);
        if (SetOnlineState(app, 1) != 1) {
            std::fputs("taoke-cli account: the online key was not written\n", stderr);
            return 1;
        }
        say(app.onlineKey); // left online under this key, as a client would be
        return 0;
    }

    // logout and passwd act on the row of a checked account without taking its online key from the client
    // that holds it.
    const LogInOutcome checked = VerifyAccount(app, account, password);
    if (checked != LogInOutcome::Success) return finish(messageFor(checked), false);
    if (verb == "logout") {
        if (SetOnlineState(app, 0) == 1) return 0;
        std::fputs("taoke-cli account: the online flag was not cleared\n", stderr);
        return 1;
    }
    const ChangePasswordOutcome outcome = ChangePassword(app, value["--old"], value["--new"], value["--confirm"]);
    return finish(messageFor(outcome), outcome == ChangePasswordOutcome::Success);
}

} // namespace tk::cli
