#include "connect/connection_strings.h"

#include <gtest/gtest.h>

#include "fakes/connection_text_reader.h"
#include "fakes/fake_database.h"

namespace tess {
namespace {

SqlServerLogin Sales(bool local, std::string port = "1433") {
    return {"SRV", std::move(port), "Sales", "sa", "", local};
}

TEST(SqlServerConnectionString, FollowsTheLocalConnectionRule) {
    struct Case {
        SqlServerLogin login;
        const char* text;
    } cases[] = {
        {Sales(false), "Driver={SQL Server};Server=SRV,1433;Database=Sales;Uid=sa;Pwd=;"},
        {Sales(true), "Driver={SQL Server};Server=SRV;Database=Sales;Uid=sa;Pwd=;"},
        {Sales(false, ""), "Driver={SQL Server};Server=SRV,;Database=Sales;Uid=sa;Pwd=;"},
        {{"db.example", "1500", "Shop=1", "me", "p@ss w'rd=", false},
         "Driver={SQL Server};Server=db.example,1500;Database=Shop=1;Uid=me;Pwd=p@ss w'rd=;"},
    };
    for (const auto& c : cases) EXPECT_EQ(SqlServerConnectionString(c.login), c.text);
}

TEST(FirebirdConnectionString, MatchesTheProviderForm) {
    EXPECT_EQ(FirebirdConnectionString({"C:\\DATA\\SHOP.FDB", "SYSDBA", ""}),
              "Provider=MSDASQL.1;Password=;Persist Security Info=true;User ID=SYSDBA;Extended "
              "Properties='Driver=Firebird/InterBase(r) driver;Dbname=C:\\DATA\\SHOP.FDB ;CHARSET=NONE;UID=SYSDBA;"
              "Role=admin'");
}

// Values that would end their pair or the quoted Extended Properties are put between braces, and
// must read back exactly as typed.
TEST(ConnectionValues, AwkwardValuesSurviveTheRoundTrip) {
    const std::string values[] = {"pa;ss}", "{x}", "}}", "a'b", "plain", "", "semi;colon;", "=eq="};
    for (const auto& v : values) {
        const auto sql = ParseConnectionText(SqlServerConnectionString({"S", "1", "D", "U", v, false}));
        EXPECT_EQ(FindConnectionValue(sql, "Pwd").value(), v);
        EXPECT_EQ(FindConnectionValue(sql, "Uid").value(), "U");
        EXPECT_EQ(FindConnectionValue(sql, "Database").value(), "D");
    }
    EXPECT_EQ(SqlServerConnectionString({"S", "1", "D", "U", "pa;ss}", true}),
              "Driver={SQL Server};Server=S;Database=D;Uid=U;Pwd={pa;ss}}};");
}

// The Firebird text nests its driver's pairs inside a single-quoted Extended Properties.
TEST(ConnectionValues, FirebirdValuesSurviveTheNestedRoundTrip) {
    const FirebirdLogin logins[] = {
        {"/var/db/shop.fdb", "SYSDBA", "masterkey"},
        {"dbhost:/srv/db/shop.fdb", "ANNA", "pa;ss}"},
        {"/home/o'brien/my {db};1.fdb", "us;er", "{}'"},
        {"inet://dbhost:3050//srv/shop.fdb", "", ""},
    };
    for (const auto& login : logins) {
        const auto outer = ParseConnectionText(FirebirdConnectionString(login));
        const auto inner = ParseConnectionText(FindConnectionValue(outer, "Extended Properties").value());
        EXPECT_EQ(FindConnectionValue(inner, "Dbname").value(), login.database + " ");
        EXPECT_EQ(FindConnectionValue(inner, "UID").value(), login.user);
        EXPECT_EQ(FindConnectionValue(outer, "User ID").value(), login.user);
        EXPECT_EQ(FindConnectionValue(outer, "Password").value(), login.password);
        EXPECT_EQ(FindConnectionValue(inner, "CHARSET").value(), "NONE");
        EXPECT_EQ(FindConnectionValue(inner, "Role").value(), "admin");
    }
}

TEST(ConnectionChecks, TrueOnlyWhenTheConnectionOpens) {
    FakeDatabase db;
    EXPECT_TRUE(TestSqlServerConnection(db, Sales(false)));
    EXPECT_EQ(db.log, (std::vector<std::string>{"create",
                                                "open Driver={SQL Server};Server=SRV,1433;Database=Sales;Uid=sa;Pwd=;"}));
    db.failOn("open", "Login failed for user 'sa'.");
    EXPECT_FALSE(TestSqlServerConnection(db, Sales(false)));
    EXPECT_FALSE(TestFirebirdConnection(db, {"/no/such.fdb", "SYSDBA", "x"}));
    db.failOn("create", "Class not registered");
    EXPECT_FALSE(TestFirebirdConnection(db, {"/no/such.fdb", "SYSDBA", "x"}));
    EXPECT_TRUE(db.calls("CursorLocation").empty()) << "the checks set no property before opening";
}

}  // namespace
}  // namespace tess
