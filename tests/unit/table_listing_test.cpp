#include "catalogue/table_listing.h"

#include <gtest/gtest.h>

#include "connect/connection_strings.h"
#include "fakes/fake_database.h"

namespace tess {
namespace {

TEST(FirebirdTables, KeepsOutOnlyTheEnginesOwnTables) {
    FakeDatabase db;
    db.catalogue = FakeDatabase::Catalogue({{"RDB$RELATIONS", "SYSTEM TABLE"}, {"MON$STATEMENTS", "SYSTEM TABLE"},
                                            {"AB", "TABLE"}, {"ABC$DEF", "TABLE"}, {"AB$CD", "TABLE"},
                                            {"ORDERS_VIEW", "VIEW"}, {"X", "TABLE"}, {"ÄÖÜ$X", "TABLE"},
                                            {"ÄB$C", "TABLE"}});
    const FirebirdLogin login{"/data/shop.fdb", "SYSDBA", "pw"};
    EXPECT_EQ(FirebirdTables(db, login), (std::vector<std::string>{"AB", "AB$CD", "ORDERS_VIEW", "X", "ÄB$C"}));
    std::erase(db.log, "movenext");
    EXPECT_EQ(db.log, (std::vector<std::string>{"create", "CursorLocation 3", "ConnectionTimeout 15",
                                                "open " + FirebirdConnectionString(login), "schema 20", "recordset close",
                                                "close"}));
}

TEST(SqlServerTables, ListsTablesWithoutSysInTheirNames) {
    FakeDatabase db;
    db.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}, {"sysdiagrams", "TABLE"}, {"Analysys", "TABLE"},
                                            {"MySystemLog", "TABLE"}, {"OrderView", "VIEW"},
                                            {"sysobjects", "SYSTEM TABLE"}, {"Lines", "table"},
                                            {"Orders", "TABLE"}});
    int rowsSeen = 0;
    EXPECT_EQ(SqlServerTables(db, {"SRV", "1433", "Sales", "sa", "", false}, nullptr, [&] { ++rowsSeen; }),
              (std::vector<std::string>{"Orders", "Orders"}));
    EXPECT_EQ(rowsSeen, 5) << "one yield per row of type TABLE";
    EXPECT_TRUE(db.calls("CursorLocation").empty());
}

// A catalogue that fails, at the start or half-way, gives no list at all: the caller's list stays
// as it was rather than holding some of the tables.
TEST(TableListing, AFailureGivesNoListAtAll) {
    FakeDatabase db;
    db.catalogue = FakeDatabase::Catalogue({{"A", "TABLE"}, {"B", "TABLE"}, {"C", "TABLE"}});
    db.failOn("open", "Login failed", 1);
    EXPECT_THROW(SqlServerTables(db, {}), DatabaseError);
    db.failOn("movenext", "Connection lost", 1);
    EXPECT_THROW(FirebirdTables(db, {}), DatabaseError);
    EXPECT_EQ(FirebirdTables(db, {}), (std::vector<std::string>{"A", "B", "C"})) << "once the catalogue answers";
}

}  // namespace
}  // namespace tess
