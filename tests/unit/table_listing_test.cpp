#include "catalogue/table_listing.h"

#include <gtest/gtest.h>

#include "connect/connection_strings.h"
#include "fakes/fake_database.h"
#include "fakes/fake_toolkit.h"

namespace tess {
namespace {

TEST(ListFirebirdTables, KeepsOutOnlyTheEnginesOwnTables) {
    FakeDatabase db;
    db.catalogue = FakeDatabase::Catalogue({{"RDB$RELATIONS", "SYSTEM TABLE"}, {"MON$STATEMENTS", "SYSTEM TABLE"},
                                            {"AB", "TABLE"}, {"ABC$DEF", "TABLE"}, {"AB$CD", "TABLE"},
                                            {"ORDERS_VIEW", "VIEW"}, {"X", "TABLE"}, {"ÄÖÜ$X", "TABLE"},
                                            {"ÄB$C", "TABLE"}});
    FakeTableList list({"stale"});
    const FirebirdLogin login{"/data/shop.fdb", "SYSDBA", "pw"};
    ListFirebirdTables(db, login, list);
    EXPECT_EQ(list.items(), (std::vector<std::string>{"AB", "AB$CD", "ORDERS_VIEW", "X", "ÄB$C"}));
    std::erase(db.log, "movenext");
    EXPECT_EQ(db.log, (std::vector<std::string>{"create", "CursorLocation 3", "open " + FirebirdConnectionString(login),
                                                "schema 20", "recordset close", "close"}));
}

TEST(ListSqlServerTables, ListsTablesWithoutSysInTheirNames) {
    FakeDatabase db;
    db.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}, {"sysdiagrams", "TABLE"}, {"Analysys", "TABLE"},
                                            {"MySystemLog", "TABLE"}, {"OrderView", "VIEW"},
                                            {"sysobjects", "SYSTEM TABLE"}, {"Lines", "table"},
                                            {"Orders", "TABLE"}});
    FakeTableList list;
    FakeToolkit ui;
    ListSqlServerTables(db, {"SRV", "1433", "Sales", "sa", "", false}, list, ui);
    EXPECT_EQ(list.items(), (std::vector<std::string>{"Orders", "Orders"}));
    EXPECT_EQ(ui.eventsProcessed, 5) << "one yield per row of type TABLE";
    EXPECT_TRUE(db.calls("CursorLocation").empty());
}

TEST(TableListing, AFailureLeavesTheListAsFarAsItGot) {
    FakeDatabase db;
    db.catalogue = FakeDatabase::Catalogue({{"A", "TABLE"}, {"B", "TABLE"}, {"C", "TABLE"}});
    db.failOn("open", "Login failed", 1);
    FakeTableList list({"kept"});
    FakeToolkit ui;
    EXPECT_THROW(ListSqlServerTables(db, {}, list, ui), DatabaseError);
    EXPECT_EQ(list.items(), (std::vector<std::string>{"kept"}));

    db.failOn("movenext", "Connection lost", 1);
    EXPECT_THROW(ListFirebirdTables(db, {}, list), DatabaseError);
    EXPECT_EQ(list.items(), (std::vector<std::string>{"A"}));
}

}  // namespace
}  // namespace tess
