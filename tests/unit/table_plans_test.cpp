// The plan each direction makes of a table: what the copier will send, read as a value before
// anything is sent.
#include <gtest/gtest.h>

#include "transfer/table_plan.h"
#include "transfer/to_firebird.h"
#include "transfer/to_sqlserver.h"

namespace tess {
namespace {

const std::vector<SourceColumn> kOrders = {{"ID", 3}, {"PRICE", 131, 19, 12, 2}, {"DAY", 133}, {"AT", 134}};

// Into Firebird: the CREATE, the commits, the blocks across a link, each column's conversion; the
// widest numbers read before and the key carried with keys.
TEST(TablePlans, IntoFirebird) {
    std::optional<ConstraintNames> names;
    const auto direction = ToFirebird(nullptr, nullptr, true, names);  // no target to ask: Firebird 3, dialect 3
    SourceFacts facts;
    facts.structure = TableStructure{};
    facts.structure->primaryKey = KeyDefinition{"PK_ORDERS", {"ID"}};
    const TablePlan literal = direction->plan("Orders", kOrders, facts, false);
    EXPECT_EQ(literal.create, "CREATE TABLE \"Orders\"(\"ID\" INTEGER,\"PRICE\" NUMERIC(12,2),\"DAY\" DATE,"
                              "\"AT\" VARCHAR(24))");
    EXPECT_EQ(literal.rowsPerCommit, 10000);
    EXPECT_EQ(direction->plan("Orders", kOrders, facts, true).rowsPerCommit, 100000);
    EXPECT_GT(literal.blockRows, 1u) << "a target that is not in process takes blocks";
    EXPECT_EQ(literal.bulkBatch, 0u);
    EXPECT_EQ(literal.bulkInsert, "INSERT INTO \"Orders\" VALUES(?, ?, ?, ?)");
    const auto& rows = std::get<FirebirdRows>(literal.rows);
    EXPECT_EQ(rows.definition.numeric, (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(rows.definition.dateOnly, (std::vector<bool>{false, false, true, false}));
    ASSERT_TRUE(literal.structure);
    EXPECT_EQ(LiteralInsert(literal, {std::int64_t{1}, Decimal{"2.50"}, Null{}, Null{}}).text,
              "INSERT INTO \"Orders\" VALUES(1, 2.5, NULL, NULL)");
    EXPECT_NE(BlockInsert(literal, 2).find("EXECUTE BLOCK"), std::string::npos);
}

// Into SQL Server: autocommit, arrays in bulk, and an identity that takes the copied values only
// with IDENTITY_INSERT around the rows and the columns named.
TEST(TablePlans, IntoSqlServer) {
    std::optional<ConstraintNames> names;
    const auto direction = ToSqlServer(nullptr, true, names);
    const TablePlan plain = direction->plan("ORDERS", kOrders, {}, true);
    EXPECT_EQ(plain.rowsPerCommit, 0);
    EXPECT_EQ(plain.bulkBatch, 500u);
    EXPECT_TRUE(plain.beforeRows.empty());
    EXPECT_FALSE(plain.structure);
    SourceFacts facts;
    facts.structure = TableStructure{};
    facts.structure->identity = "ID";
    const TablePlan numbered = direction->plan("ORDERS", kOrders, facts, true);
    EXPECT_EQ(numbered.beforeRows, (std::vector<std::string>{"SET IDENTITY_INSERT [ORDERS] ON"}));
    EXPECT_EQ(numbered.afterRows, (std::vector<std::string>{"SET IDENTITY_INSERT [ORDERS] OFF"}));
    EXPECT_EQ(std::get<SqlServerRows>(numbered.rows).columnList, "([ID], [PRICE], [DAY], [AT])");
    EXPECT_NE(numbered.create.find("IDENTITY(1,1)"), std::string::npos) << numbered.create;
    EXPECT_EQ(std::get<SqlServerRows>(numbered.rows).timeOnly, (std::vector<bool>{false, false, false, true}));
}

// A run that connects again makes a new direction, and keeps the constraint names it gave: a key
// of the same name in a later table is given another, in both directions.
TEST(TablePlans, ConstraintNamesStayUniqueAcrossNewConnections) {
    SourceFacts facts;
    facts.structure = TableStructure{};
    facts.structure->primaryKey = KeyDefinition{"PK_MAIN", {"ID"}};
    for (const bool toFirebird : {true, false}) {
        SCOPED_TRACE(toFirebird ? "into Firebird" : "into SQL Server");
        std::optional<ConstraintNames> names;  // the run's
        auto statementOf = [&](const std::string& table) {
            const auto direction = toFirebird ? ToFirebird(nullptr, nullptr, true, names)
                                              : ToSqlServer(nullptr, true, names);
            const TablePlan plan = direction->plan(table, kOrders, facts, false);
            std::string all;
            for (const auto& s : plan.structure->statements) all += s.sql + "\n";
            return all;
        };
        const std::string first = statementOf("A"), second = statementOf("B");
        EXPECT_NE(first.find("PK_MAIN"), std::string::npos) << first;
        EXPECT_EQ(second.find("PK_MAIN "), std::string::npos) << second;
        EXPECT_EQ(second.find("PK_MAIN\""), std::string::npos) << second;
        EXPECT_EQ(second.find("[PK_MAIN]"), std::string::npos) << second;
    }
}

}  // namespace
}  // namespace tess
