#include "command_line.h"

#include "database.h"
#include "gateway/codec.h"
#include "gateway_service.h"
#include "http_front.h"

#include <csignal>
#include <ctime>
#include <map>
#include <optional>
#include <pthread.h>
#include <thread>

namespace tk::gateway {
namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  taoke-gateway serve --db FILE [--listen HOST:PORT] [--page /link.asp] [--symbols LIST] [--fixed-clock N]\n"
    "  taoke-gateway setup show --db FILE\n"
    "  taoke-gateway setup set --db FILE [--version V] [--download-url U] [--notice-switch N] [--notice-text T]\n"
    "  taoke-gateway setup clear --db FILE\n"
    "  taoke-gateway users list --db FILE\n"
    "  taoke-gateway users add NAME PASSWORD EMAIL --db FILE\n"
    "  taoke-gateway users freeze|unfreeze NAME --db FILE\n"
    "  taoke-gateway users set NAME FIELD VALUE --db FILE\n"
    "    FIELD: password, email, ip, frozen, zxkey, zx, zctime, spare1, spare2, spare3\n";

struct Parsed {
    std::vector<std::string> words;
    std::map<std::string, std::string> flags;
    std::string error;
};

const char* const kFlags[] = {"--db",      "--listen",       "--page",          "--symbols",    "--fixed-clock",
                              "--version", "--download-url", "--notice-switch", "--notice-text", nullptr};

Parsed parse(const std::vector<std::string>& args) {
    Parsed p;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool known = false;
        for (const char* const* f = kFlags; *f; ++f) known = known || a == *f;
        if (known) {
            if (i + 1 >= args.size()) {
                p.error = a + " needs a value";
                return p;
            }
            p.flags[a] = args[++i];
        } else if (a.size() > 2 && a.rfind("--", 0) == 0) {
            p.error = "unknown option " + a;
            return p;
        } else {
            p.words.push_back(a);
        }
    }
    return p;
}

void printRows(const Rows& rows, std::ostream& out) {
    for (const auto& row : rows) {
        for (size_t c = 0; c < row.size(); ++c) out << (c ? "\t" : "") << row[c];
        out << '\n';
    }
}


int serve(const Parsed& p, Database& db, std::ostream& out, std::ostream& err) {
    std::string listen = p.flags.count("--listen") ? p.flags.at("--listen") : "127.0.0.1:8080";
    size_t colon = listen.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        err << "--listen wants HOST:PORT\n";
        return 2;
    }
    std::string host = listen.substr(0, colon);
    int port = -1;
    try {
        size_t used = 0;
        port = std::stoi(listen.substr(colon + 1), &used);
        if (used != listen.size() - colon - 1) port = -1;
    } catch (...) {
    }
    if (port < 0 || port > 65535) {
        err << "bad port in --listen " << listen << '\n';
        return 2;
    }
    std::string symbolText = p.flags.count("--symbols") ? p.flags.at("--symbols") : "q,k,z,b,x,l,p,u,f,j,c";
    std::vector<std::string> symbols = SplitSymbolList(symbolText);
    if (symbols.size() != 11) {
        err << "--symbols wants 11 entries separated by \",\"\n";
        return 2;
    }
    std::optional<int64_t> fixedClock;
    if (p.flags.count("--fixed-clock")) {
        try {
            fixedClock = std::stoll(p.flags.at("--fixed-clock"));
        } catch (...) {
            err << "--fixed-clock wants a number\n";
            return 2;
        }
    }
    GatewayService service(db, symbols, [fixedClock]() -> int64_t {
        return fixedClock ? *fixedClock : static_cast<int64_t>(std::time(nullptr));
    });
    FrontOptions options;
    if (p.flags.count("--page")) {
        options.page = p.flags.at("--page");
        if (options.page.empty() || options.page[0] != '/') options.page.insert(options.page.begin(), '/');
    }
    HttpFront front(service, options);

    // SIGINT/SIGTERM end the server cleanly; they are waited for on a thread of their own.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    int bound = front.bind(host, port);
    if (bound < 0) {
        err << "cannot listen on " << listen << '\n';
        return 1;
    }
    out << "taoke-gateway listening on " << host << ':' << bound << std::endl;

    std::thread waiter([&] {
        int sig = 0;
        sigwait(&stopSignals, &sig);
        if (sig != 0) front.stop();
    });
    bool ok = front.run();
    // When run() ends for another reason, wake the waiter so that it can be joined.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return ok ? 0 : 1;
}

int setupCommand(const Parsed& p, Database& db, std::ostream& out, std::ostream& err) {
    const std::string sub = p.words.size() > 1 ? p.words[1] : "";
    if (sub == "show" && p.words.size() == 2) {
        Rows rows = db.setupRows();
        if (rows.size() < 2) {
            out << "(no Setup row)\n";
            return 0;
        }
        for (size_t c = 0; c < rows[0].size(); ++c) out << rows[0][c] << '\t' << rows[1][c] << '\n';
        return 0;
    }
    if (sub == "clear" && p.words.size() == 2) return db.clearSetup() ? 0 : 1;
    if (sub == "set" && p.words.size() == 2) {
        static const std::pair<const char*, const char*> fields[] = {{"--version", "version"},
                                                                     {"--download-url", "downurl"},
                                                                     {"--notice-switch", "noticeswitch"},
                                                                     {"--notice-text", "notice"}};
        for (const auto& [flag, column] : fields) {
            auto it = p.flags.find(flag);
            if (it != p.flags.end() && !db.setSetupField(column, it->second)) {
                err << "cannot set " << column << ": " << db.lastError() << '\n';
                return 1;
            }
        }
        return 0;
    }
    err << kUsage;
    return 2;
}

int usersCommand(const Parsed& p, Database& db, std::ostream& out, std::ostream& err) {
    const std::vector<std::string>& w = p.words;
    const std::string sub = w.size() > 1 ? w[1] : "";
    auto report = [&](Database::Change c, const std::string& name) {
        if (c == Database::Change::Done) return 0;
        if (c == Database::Change::NoSuchUser)
            err << "no user " << name << '\n';
        else
            err << "cannot change " << name << ": " << db.lastError() << '\n';
        return 1;
    };
    if (sub == "list" && w.size() == 2) {
        printRows(db.userRows(), out);
        return 0;
    }
    if ((sub == "freeze" || sub == "unfreeze") && w.size() == 3)
        return report(db.setUserField(w[2], "frozen", sub == "freeze" ? "1" : "0"), w[2]);
    if (sub == "set" && w.size() == 5) {
        static const char* const fields[] = {"password", "email",  "ip",     "frozen", "zxkey",
                                             "zx",       "zctime", "spare1", "spare2", "spare3"};
        bool known = false;
        for (const char* f : fields) known = known || w[3] == f;
        if (!known) {
            err << "unknown field " << w[3] << '\n' << kUsage;
            return 2;
        }
        return report(db.setUserField(w[2], w[3], w[4]), w[2]);
    }
    if (sub == "add" && w.size() == 5) {
        if (db.addUser(w[2], w[3], w[4])) return 0;
        err << "cannot add " << w[2] << ": " << db.lastError() << '\n';
        return 1;
    }
    err << kUsage;
    return 2;
}

} // namespace

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Parsed p = parse(args);
    if (!p.error.empty()) {
        err << p.error << '\n' << kUsage;
        return 2;
    }
    const std::string command = p.words.empty() ? "" : p.words[0];
    if (command != "serve" && command != "setup" && command != "users") {
        err << kUsage;
        return 2;
    }
    if (command == "serve" && p.words.size() != 1) {
        err << kUsage;
        return 2;
    }
    auto dbFlag = p.flags.find("--db");
    if (dbFlag == p.flags.end() || dbFlag->second.empty()) {
        err << "--db FILE is required\n";
        return 2;
    }
    std::string error;
    auto db = Database::open(dbFlag->second, error);
    if (!db) {
        err << "cannot open " << dbFlag->second << ": " << error << '\n';
        return 1;
    }
    if (command == "serve") return serve(p, *db, out, err);
    if (command == "setup") return setupCommand(p, *db, out, err);
    return usersCommand(p, *db, out, err);
}

} // namespace tk::gateway
