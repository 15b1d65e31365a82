#include "platform/firebird/fb_connection_text.h"

#include <gtest/gtest.h>

#include "connect/connection_strings.h"

namespace tess {
namespace {

TEST(FirebirdConnectionText, TranslatesTheLoginBackExactly) {
    const FirebirdLogin logins[] = {
        {"/var/db/shop.fdb", "SYSDBA", "masterkey"},
        {"C:\\DATA\\SHOP.FDB", "SYSDBA", ""},
        {"dbhost:/srv/db/shop.fdb", "ANNA", "pa;ss}"},
        {"/home/o'brien/my {db};1.fdb", "us;er", "{}'"},
        {"inet://dbhost:3050//srv/shop.fdb", "", ""},
    };
    for (const auto& login : logins) {
        const std::string text = FirebirdConnectionString(login);
        EXPECT_TRUE(IsFirebirdConnectionText(text));
        const auto p = ParseFirebirdConnectionText(text);
        EXPECT_EQ(p.database, login.database);
        EXPECT_EQ(p.user, login.user);
        EXPECT_EQ(p.password, login.password);
        EXPECT_EQ(p.charset, "NONE");
        EXPECT_EQ(p.role, "admin");
    }
}

TEST(FirebirdConnectionText, OdbcTextsAreNotFirebirds) {
    EXPECT_FALSE(IsFirebirdConnectionText(SqlServerConnectionString({"S", "1", "D", "U", "P", false})));
    EXPECT_FALSE(IsFirebirdConnectionText("Driver={SQLite3};Database=/tmp/a.db;"));
    EXPECT_TRUE(IsFirebirdConnectionText("Driver=Firebird/InterBase(r) driver;Dbname=/a.fdb;UID=x;PWD=y"));
    EXPECT_EQ(ParseFirebirdConnectionText("Driver=Firebird/InterBase(r) driver;Dbname=/a.fdb;UID=x;PWD=y").password,
              "y");
}

}  // namespace
}  // namespace tess
