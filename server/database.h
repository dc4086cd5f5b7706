#pragma once
#include "statements.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

// The gateway's SQLite file: Setup and users. Texts are UTF-8 here; the wire's GBK stays outside.
namespace tk::gateway {

using Rows = std::vector<std::vector<std::string>>; // first row: the column names

class Database {
public:
    // Opens the file, creating it with its schema and the Setup row when it is new. Nothing (and a reason in
    // error) when it cannot be opened.
    static std::unique_ptr<Database> open(const std::string& path, std::string& error);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // One recognised statement with its values (UTF-8, in statement order) bound as parameters.
    std::optional<Rows> query(const Statement& st, const std::vector<std::string>& values);
    bool execute(const Statement& st, const std::vector<std::string>& values);

    // For the admin commands.
    Rows setupRows();
    bool setSetupField(const std::string& column, const std::string& value); // creates the row when missing
    bool clearSetup();
    Rows userRows();
    enum class Change { Done, NoSuchUser, Failed };
    Change setUserField(const std::string& username, const std::string& column, const std::string& value);
    bool addUser(const std::string& username, const std::string& password, const std::string& email);

    std::string lastError() const;

private:
    explicit Database(sqlite3* db) : m_db(db) {}
    bool createSchema(std::string& error);
    std::optional<Rows> select(const char* sql, const std::vector<std::string>& texts, int64_t id, bool withId);
    int change(const char* sql, const std::vector<std::string>& texts, int64_t id, bool withId);

    sqlite3* m_db;
    mutable std::mutex m_mutex; // one connection shared by the server's worker threads
};

} // namespace tk::gateway
