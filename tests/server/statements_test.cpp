#include "statements.h"

#include <gtest/gtest.h>

using namespace tk::gateway;

namespace {
struct Accepted {
    std::string sql;
    StatementKind kind;
    std::vector<std::string> values;
    int64_t id;
};
} // namespace

TEST(RecogniseStatement, ClientStatementsAndTheirValues) {
    const std::vector<Accepted> cases = {
        {"select top 1 * from Setup", StatementKind::SetupRead, {}, -1},
        {"select * from users where username='abcdefgh' and password='pw123456'",
         StatementKind::UserByNameAndPassword, {"abcdefgh", "pw123456"}, -1},
        {"select * from users where username='' and password=''", StatementKind::UserByNameAndPassword, {"", ""}, -1},
        {"select * from users where id=42", StatementKind::UserById, {}, 42},
        {"select * from users where id=007", StatementKind::UserById, {}, 7},
        {"select * from users where id=99999999999999999999", StatementKind::UserById, {}, -1},
        {"select * from users where username='a b\xC7\xE0'", StatementKind::UserByName, {"a b\xC7\xE0"}, -1},
        {"select * from users where email='x@y.cn'", StatementKind::UserByEmail, {"x@y.cn"}, -1},
        {"select * from users where username='abc' and email='x@y.cn'", StatementKind::UserByNameAndEmail,
         {"abc", "x@y.cn"}, -1},
        {"update  users set `ip`='127.0.0.1',`zx`=1,`zxkey`='KEY01' where id=3", StatementKind::SetOnline,
         {"127.0.0.1", "KEY01"}, 3},
        {"update  users set `zx`=0  where id=3", StatementKind::SetOffline, {}, 3},
        {"INSERT INTO users (`username`,`password`,`email`,`ip`,`zctime`) VALUES "
         "('abcdefgh','pw123456','x@y.cn','127.0.0.1','1700000000')",
         StatementKind::InsertUser, {"abcdefgh", "pw123456", "x@y.cn", "127.0.0.1", "1700000000"}, -1},
        {"update  users set `password`='newpass1'  where id=12", StatementKind::SetPassword, {"newpass1"}, 12},
    };
    for (const Accepted& c : cases) {
        auto st = RecogniseStatement(c.sql);
        ASSERT_TRUE(st.has_value()) << c.sql;
        EXPECT_EQ(st->kind, c.kind) << c.sql;
        EXPECT_EQ(st->values, c.values) << c.sql;
        EXPECT_EQ(st->id, c.id) << c.sql;
    }
}

TEST(RecogniseStatement, RefusesEverythingElse) {
    for (const char* sql : {
             "",
             "drop table users",
             "select * from users",
             "select * from Setup",
             "SELECT TOP 1 * FROM Setup",
             "select top 1 * from Setup;",
             "select top 1 * from Setup ",
             "select top 1 * from Setup; drop table users",
             "select * from users where id=1; drop table users",
             "select * from users where id=1 or 1=1",
             "select * from users where id=",
             "select * from users where id=-1",
             "select * from users where username='a' or '1'='1'",
             "select * from users where username='a'; delete from users where username='b'",
             "select * from users where username='a",
             "select * from users where password='a'",
             "update users set `zx`=0  where id=3",         // one blank after update
             "update  users set `zx`=0 where id=3",         // one blank before where
             "update  users set `password`='x' where id=3", // one blank before where
             "update  users set `password`='x'  where id=3 or 1=1",
             "update  users set `ip`='a',`zx`=1,`zxkey`='b'  where id=3",
             "update  users set `frozen`='0'  where id=3",
             "INSERT INTO users (username,password,email,ip,zctime) VALUES ('a','b','c','d','e')",
             "INSERT INTO users (`username`,`password`,`email`,`ip`,`zctime`) VALUES ('a','b','c','d')",
             "INSERT INTO users (`username`,`password`,`email`,`ip`,`zctime`) VALUES ('a','b','c','d','e'),('f','g','h','i','j')",
             "delete from users where id=1",
         })
        EXPECT_FALSE(RecogniseStatement(sql).has_value()) << sql;
}
