#include "catalogue/table_keys.h"

#include <gtest/gtest.h>

#include "fakes/fake_database.h"

namespace tess {
namespace {

// The T-SQL that SQL Server's catalogue answers, the names handed over as values, and the first
// key of its answer.
TEST(SqlServerKeyColumns, ThePrimaryKeyFirstInKeyOrder) {
    const std::string query =
        "SELECT K.COLUMN_NAME, T.CONSTRAINT_NAME FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS T "
        "JOIN INFORMATION_SCHEMA.KEY_COLUMN_USAGE K ON K.CONSTRAINT_SCHEMA = T.CONSTRAINT_SCHEMA "
        "AND K.CONSTRAINT_NAME = T.CONSTRAINT_NAME WHERE T.TABLE_SCHEMA = ? AND T.TABLE_NAME = ? "
        "AND T.CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE') "
        "ORDER BY CASE T.CONSTRAINT_TYPE WHEN 'PRIMARY KEY' THEN 0 ELSE 1 END, T.CONSTRAINT_NAME, K.ORDINAL_POSITION "
        "with sales|O'Brien";
    FakeDatabase db;
    db.results[query] = {{{"COLUMN_NAME", 202}, {"CONSTRAINT_NAME", 202}},
                         {{std::string("Region"), std::string("PK_O")},
                          {std::string("Number"), std::string("PK_O")},
                          {std::string("Code"), std::string("UQ_O")}}};
    auto c = db.createConnection();
    c->open("x");
    EXPECT_EQ(SqlServerKeyColumns(*c, "sales", "O'Brien"), (std::vector<std::string>{"Region", "Number"}));
    EXPECT_TRUE(SqlServerKeyColumns(*c, "", "O'Brien").empty()) << "another query: the fake does not know it";
}

}  // namespace
}  // namespace tess
