#include "database.h"

#include <sqlite3.h>

namespace tk::gateway {
namespace {

constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS Setup (
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL DEFAULT '',
  title TEXT NOT NULL DEFAULT '',
  version TEXT NOT NULL DEFAULT '',
  updatetime TEXT NOT NULL DEFAULT '',
  downurl TEXT NOT NULL DEFAULT '',
  noticeswitch TEXT NOT NULL DEFAULT '0',
  notice TEXT NOT NULL DEFAULT ''
);
CREATE TABLE IF NOT EXISTS users (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  username TEXT NOT NULL UNIQUE COLLATE NOCASE,
  password TEXT NOT NULL DEFAULT '' COLLATE NOCASE,
  email TEXT NOT NULL UNIQUE COLLATE NOCASE,
  ip TEXT NOT NULL DEFAULT '',
  spare1 TEXT NOT NULL DEFAULT '',
  spare2 TEXT NOT NULL DEFAULT '',
  spare3 TEXT NOT NULL DEFAULT '',
  frozen TEXT NOT NULL DEFAULT '0',
  zxkey TEXT NOT NULL DEFAULT '',
  zctime TEXT NOT NULL DEFAULT '',
  zx INTEGER NOT NULL DEFAULT 0
);
INSERT OR IGNORE INTO Setup (id, name, title, version, updatetime, downurl, noticeswitch, notice)
  VALUES (1, '青禾淘客', '青禾淘客', '1.001', '', '', '0', '欢迎使用青禾淘客，祝您采集愉快！');
)";

// The client's statements, each with its values bound; name, password and e-mail compare without regard
// to letter case, as the maker's database always did (the client re-checks them byte for byte).
const char* sqlFor(StatementKind kind) {
    switch (kind) {
    case StatementKind::SetupRead: return "SELECT * FROM Setup ORDER BY id LIMIT 1";
    case StatementKind::UserByNameAndPassword:
        return "SELECT * FROM users WHERE username = ?1 COLLATE NOCASE AND password = ?2 COLLATE NOCASE ORDER BY id";
    case StatementKind::UserById: return "SELECT * FROM users WHERE id = ?1";
    case StatementKind::UserByName: return "SELECT * FROM users WHERE username = ?1 COLLATE NOCASE ORDER BY id";
    case StatementKind::UserByEmail: return "SELECT * FROM users WHERE email = ?1 COLLATE NOCASE ORDER BY id";
    case StatementKind::UserByNameAndEmail:
        return "SELECT * FROM users WHERE username = ?1 COLLATE NOCASE AND email = ?2 COLLATE NOCASE ORDER BY id";
    case StatementKind::SetOnline: return "UPDATE users SET ip = ?1, zx = 1, zxkey = ?2 WHERE id = ?3";
    case StatementKind::SetOffline: return "UPDATE users SET zx = 0 WHERE id = ?1";
    case StatementKind::InsertUser:
        return "INSERT INTO users (username, password, email, ip, zctime) VALUES (?1, ?2, ?3, ?4, ?5)";
    case StatementKind::SetPassword: return "UPDATE users SET password = ?1 WHERE id = ?2";
    }
    return nullptr;
}

bool hasId(StatementKind kind) {
    switch (kind) {
    case StatementKind::UserById:
    case StatementKind::SetOnline:
    case StatementKind::SetOffline:
    case StatementKind::SetPassword: return true;
    default: return false;
    }
}

struct Finalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using StmtPtr = std::unique_ptr<sqlite3_stmt, Finalizer>;

StmtPtr prepare(sqlite3* db, const char* sql, const std::vector<std::string>& texts, int64_t id, bool withId) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) return nullptr;
    StmtPtr st(raw);
    int n = 1;
    for (const std::string& t : texts)
        if (sqlite3_bind_text(raw, n++, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT) != SQLITE_OK)
            return nullptr;
    if (withId && sqlite3_bind_int64(raw, n, id) != SQLITE_OK) return nullptr;
    return st;
}

bool isColumnOf(const char* const* columns, const std::string& name) {
    for (; *columns; ++columns)
        if (name == *columns) return true;
    return false;
}

} // namespace

std::unique_ptr<Database> Database::open(const std::string& path, std::string& error) {
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
        error = raw ? sqlite3_errmsg(raw) : "cannot open database";
        sqlite3_close(raw);
        return nullptr;
    }
    std::unique_ptr<Database> db(new Database(raw));
    // Admin commands run against the same file while the server is up.
    sqlite3_busy_timeout(raw, 5000);
    sqlite3_exec(raw, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    if (!db->createSchema(error)) return nullptr;
    return db;
}

Database::~Database() { sqlite3_close(m_db); }

bool Database::createSchema(std::string& error) {
    auto fail = [&] {
        error = sqlite3_errmsg(m_db);
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    };
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return fail();
    int version = 0;
    {
        StmtPtr st = prepare(m_db, "PRAGMA user_version", {}, 0, false);
        if (!st) return fail();
        if (sqlite3_step(st.get()) == SQLITE_ROW) version = sqlite3_column_int(st.get(), 0);
    }
    if (version < kSchemaVersion) {
        // Only a new file gets the Setup row; a maker who cleared it keeps it cleared.
        if (sqlite3_exec(m_db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) return fail();
        std::string pragma = "PRAGMA user_version=" + std::to_string(kSchemaVersion);
        if (sqlite3_exec(m_db, pragma.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return fail();
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return fail();
    return true;
}

std::optional<Rows> Database::select(const char* sql, const std::vector<std::string>& texts, int64_t id,
                                     bool withId) {
    StmtPtr st = prepare(m_db, sql, texts, id, withId);
    if (!st) return std::nullopt;
    Rows rows;
    int cols = sqlite3_column_count(st.get());
    rows.emplace_back();
    for (int c = 0; c < cols; ++c) rows.back().emplace_back(sqlite3_column_name(st.get(), c));
    while (true) {
        int rc = sqlite3_step(st.get());
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) return std::nullopt;
        rows.emplace_back();
        for (int c = 0; c < cols; ++c) {
            auto text = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), c));
            int len = sqlite3_column_bytes(st.get(), c);
            rows.back().emplace_back(text ? std::string(text, static_cast<size_t>(len)) : std::string());
        }
    }
    return rows;
}

int Database::change(const char* sql, const std::vector<std::string>& texts, int64_t id, bool withId) {
    StmtPtr st = prepare(m_db, sql, texts, id, withId);
    if (!st) return -1;
    if (sqlite3_step(st.get()) != SQLITE_DONE) return -1;
    return sqlite3_changes(m_db);
}

std::optional<Rows> Database::query(const Statement& st, const std::vector<std::string>& values) {
    if (!st.isQuery()) return std::nullopt;
    std::lock_guard lock(m_mutex);
    return select(sqlFor(st.kind), values, st.id, hasId(st.kind));
}

bool Database::execute(const Statement& st, const std::vector<std::string>& values) {
    if (st.isQuery()) return false;
    std::lock_guard lock(m_mutex);
    // An update that meets no row has still run as written.
    return change(sqlFor(st.kind), values, st.id, hasId(st.kind)) >= 0;
}

Rows Database::setupRows() {
    std::lock_guard lock(m_mutex);
    return select("SELECT * FROM Setup ORDER BY id", {}, 0, false).value_or(Rows{});
}

bool Database::setSetupField(const std::string& column, const std::string& value) {
    static const char* const columns[] = {"name", "title", "version", "updatetime", "downurl", "noticeswitch",
                                          "notice", nullptr};
    if (!isColumnOf(columns, column)) return false;
    std::lock_guard lock(m_mutex);
    if (change("INSERT INTO Setup (id) SELECT 1 WHERE NOT EXISTS (SELECT 1 FROM Setup)", {}, 0, false) < 0)
        return false;
    std::string sql = "UPDATE Setup SET " + column + " = ?1 WHERE id = (SELECT MIN(id) FROM Setup)";
    return change(sql.c_str(), {value}, 0, false) >= 0;
}

bool Database::clearSetup() {
    std::lock_guard lock(m_mutex);
    return change("DELETE FROM Setup", {}, 0, false) >= 0;
}

Rows Database::userRows() {
    std::lock_guard lock(m_mutex);
    return select("SELECT * FROM users ORDER BY id", {}, 0, false).value_or(Rows{});
}

Database::Change Database::setUserField(const std::string& username, const std::string& column,
                                        const std::string& value) {
    static const char* const columns[] = {"password", "email", "ip", "spare1", "spare2", "spare3",
                                          "frozen", "zxkey", "zctime", "zx", nullptr};
    if (!isColumnOf(columns, column)) return Change::Failed;
    std::lock_guard lock(m_mutex);
    std::string sql = "UPDATE users SET " + column + " = ?2 WHERE username = ?1 COLLATE NOCASE";
    int n = change(sql.c_str(), {username, value}, 0, false);
    if (n < 0) return Change::Failed;
    return n == 0 ? Change::NoSuchUser : Change::Done;
}

bool Database::addUser(const std::string& username, const std::string& password, const std::string& email) {
    std::lock_guard lock(m_mutex);
    return change("INSERT INTO users (username, password, email) VALUES (?1, ?2, ?3)", {username, password, email},
                  0, false) == 1;
}

std::string Database::lastError() const {
    std::lock_guard lock(m_mutex);
    return sqlite3_errmsg(m_db);
}

} // namespace tk::gateway
