#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The statements the client sends, recognised by their exact shape. Nothing else ever reaches the database.
namespace tk::gateway {

enum class StatementKind { // the queries come first (isQuery)
    SetupRead,               // select top 1 * from Setup
    UserByNameAndPassword,   // log-in
    UserById,                // heartbeat, account page, password change
    UserByName,              // registration: name taken?
    UserByEmail,             // registration: e-mail taken?
    UserByNameAndEmail,      // password recovery
    SetOnline,               // ip, zx=1, zxkey by id
    SetOffline,              // zx=0 by id
    InsertUser,              // registration
    SetPassword,             // password change
};

struct Statement {
    StatementKind kind{};
    std::vector<std::string> values; // the quoted values in statement order, GBK as received
    int64_t id = -1;                 // the id after "where id=" (-1: too long to be any row's id)
    bool isQuery() const { return kind <= StatementKind::UserByNameAndEmail; }
};

// The shape of each statement: "$" stands for a value between single quotes (any bytes but a quote),
// "#" for the digits of an id. Everything else must match byte for byte.
struct StatementShape {
    StatementKind kind;
    std::string_view pattern;
};
const std::vector<StatementShape>& StatementShapes();

// Nothing when the text is not exactly one of the shapes.
std::optional<Statement> RecogniseStatement(std::string_view sql);

} // namespace tk::gateway
