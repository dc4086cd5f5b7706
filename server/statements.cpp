#include "statements.h"

namespace tk::gateway {

const std::vector<StatementShape>& StatementShapes() {
    static const std::vector<StatementShape> shapes = {
        {StatementKind::SetupRead, "select top 1 * from Setup"},
        {StatementKind::UserByNameAndPassword, "select * from users where username='$' and password='$'"},
        {StatementKind::UserById, "select * from users where id=#"},
        {StatementKind::UserByName, "select * from users where username='$'"},
        {StatementKind::UserByEmail, "select * from users where email='$'"},
        {StatementKind::UserByNameAndEmail, "select * from users where username='$' and email='$'"},
        {StatementKind::SetOnline, "update  users set `ip`='$',`zx`=1,`zxkey`='$' where id=#"},
        {StatementKind::SetOffline, "update  users set `zx`=0  where id=#"},
        {StatementKind::InsertUser,
         "INSERT INTO users (`username`,`password`,`email`,`ip`,`zctime`) VALUES ('$','$','$','$','$')"},
        {StatementKind::SetPassword, "update  users set `password`='$'  where id=#"},
    };
    return shapes;
}

namespace {

bool matchShape(std::string_view pattern, std::string_view sql, Statement& out) {
    size_t p = 0, s = 0;
    out.values.clear();
    out.id = -1;
    while (p < pattern.size()) {
        char want = pattern[p];
        if (want == '$') {
            size_t quote = sql.find('\'', s);
            if (quote == std::string_view::npos) return false;
            out.values.emplace_back(sql.substr(s, quote - s));
            s = quote;
            ++p;
        } else if (want == '#') {
            size_t start = s;
            while (s < sql.size() && sql[s] >= '0' && sql[s] <= '9') ++s;
            if (s == start) return false;
            std::string_view digits = sql.substr(start, s - start);
            while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
            if (digits.size() <= 18) {
                int64_t id = 0;
                for (char c : digits) id = id * 10 + (c - '0');
                out.id = id;
            }
            ++p;
        } else {
            if (s >= sql.size() || sql[s] != want) return false;
            ++p;
            ++s;
        }
    }
    return s == sql.size();
}

} // namespace

std::optional<Statement> RecogniseStatement(std::string_view sql) {
    Statement st;
    for (const StatementShape& shape : StatementShapes()) {
        if (matchShape(shape.pattern, sql, st)) {
            st.kind = shape.kind;
            return st;
        }
    }
    return std::nullopt;
}

} // namespace tk::gateway
