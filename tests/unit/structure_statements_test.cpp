#include "transfer/structure_statements.h"

#include <gtest/gtest.h>

#include "catalogue/name_patterns.h"
#include "connect/connection_strings.h"
#include "fakes/fake_database.h"
#include "transfer/structure_comparison.h"
#include "transfer/structure_maker.h"

#include <functional>

namespace tess {
namespace {

TEST(ParseDefault, WhatEachCatalogueSpells) {
    struct Case {
        const char* source;
        std::optional<DefaultValue::Kind> kind;
        const char* text;
    } cases[] = {
        {"DEFAULT 0", DefaultValue::kNumber, "0"},
        {"((-1.5))", DefaultValue::kNumber, "-1.5"},
        {"default 'it''s'", DefaultValue::kText, "it's"},
        {"(N'Łódź')", DefaultValue::kText, "Łódź"},
        {"DEFAULT 'NOW'", DefaultValue::kText, "NOW"},  // a moment only in a date column
        {"(getdate())", DefaultValue::kCurrentTimestamp, ""},
        {"DEFAULT CURRENT_DATE", DefaultValue::kCurrentDate, ""},
        {"((1)+(2))", std::nullopt, ""},  // an expression
        {"('a')+('b')", std::nullopt, ""},
        {"'unclosed", std::nullopt, ""},
        {"DEFAULT NULL", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseDefault(c.source);
        ASSERT_EQ(parsed.has_value(), c.kind.has_value()) << c.source;
        if (!parsed) continue;
        EXPECT_EQ(parsed->kind, *c.kind) << c.source;
        EXPECT_EQ(parsed->text, c.text) << c.source;
    }
    EXPECT_TRUE(IsNullDefault("DEFAULT NULL"));
    EXPECT_TRUE(IsNullDefault("(NULL)"));
    EXPECT_FALSE(IsNullDefault("'NULL'"));
}

TEST(NamePatterns, WhatTheReadersRecognise) {
    for (const char* yes : {"0", "-12", "+1.5", "2.5e-3", "1E10"}) EXPECT_TRUE(IsPlainNumber(yes)) << yes;
    for (const char* no : {"", "-", "1.", ".5", "1e", "1+1", "0x10", "1 "}) EXPECT_FALSE(IsPlainNumber(no)) << no;
    for (const char* yes : {"INTEG_12", "RDB$PRIMARY3", "RDB$FOREIGN17", "RDB$45"})
        EXPECT_TRUE(IsMadeUpFirebirdName(yes)) << yes;
    for (const char* no : {"INTEG_", "INTEG_X", "PK_ORDERS", "RDB$PRIMARY", "MY_INTEG_1"})
        EXPECT_FALSE(IsMadeUpFirebirdName(no)) << no;
    for (const char* yes : {"PK__ORDERS__3214EC07A1B2C3D4", "UQ__T__1A2B3C4D", "sqlite_autoindex_T_1"})
        EXPECT_TRUE(IsMadeUpSqlServerName(yes)) << yes;
    for (const char* no : {"PK_ORDERS", "PK__ORDERS__XYZ", "IX__A__1234567"}) EXPECT_FALSE(IsMadeUpSqlServerName(no)) << no;
    struct Case {
        const char* body;
        std::optional<std::string> column;
    } cases[] = {
        {"AS BEGIN if (new.emp_no is null) then new.emp_no = gen_id(emp_no_gen, 1); END", "EMP_NO"},
        {"AS BEGIN NEW.\"Id\" = NEXT VALUE FOR \"Seq\"; END", "Id"},
        {"AS BEGIN\n  new . ID\t=\n GEN_ID( G ,1 );\nEND", "ID"},
        {"AS BEGIN NEW.ID = GEN_ID(G, 10); END", std::nullopt},  // steps of ten: no identity
        {"AS BEGIN RENEW.ID = GEN_ID(G, 1); END", std::nullopt},
        {"AS BEGIN NEW.CHANGED = 'NOW'; END", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(GeneratorFedColumn(c.body), c.column) << c.body;
}

// Names each once in a run and within the target's length, never cut inside a character.
TEST(ConstraintNames, UniqueAndWithinTheLength) {
    ConstraintNames names(10);
    EXPECT_EQ(names.take(""), "");
    EXPECT_EQ(names.take("PK_ORDERS"), "PK_ORDERS");
    EXPECT_EQ(names.take("pk_orders"), "pk_order_2");  // the same name to a target that ignores case
    EXPECT_EQ(names.take("IX_ORDER_LINES"), "IX_ORDER_L");
    EXPECT_EQ(names.take("IX_ORDER_LINES_2"), "IX_ORDER_2");
    EXPECT_EQ(names.take("IX_ÄÄÄÄÄÄ"), "IX_ÄÄÄ");  // 9 bytes: a fourth Ä would need 11
}

TableStructure Orders() {
    TableStructure s;
    s.notNull = {"ID"};
    s.primaryKey = KeyDefinition{"PK_ORDERS", {"ID"}};
    s.indexes = {{"", false, true, {"PLACED", "ID"}}};
    s.identity = "ID";
    s.defaults["PLACED"] = {DefaultValue::kText, "now"};
    s.defaults["NOTE"] = {DefaultValue::kText, "it's"};  // an apostrophe, doubled in each statement
    s.foreignKeys = {{"", {"CUSTOMER"}, "CUSTOMERS", {"ID"}, "CASCADE", "NO ACTION"}};
    return s;
}

TEST(StructurePlan, FirebirdStatementsAfterTheRows) {
    const std::vector<StructureColumn> columns = {
        {"ID", "INTEGER"}, {"PLACED", "TIMESTAMP", true}, {"NOTE", "VARCHAR(10)"}, {"CUSTOMER", "INTEGER"}};
    struct Case {
        FirebirdStructureTarget target;
        std::vector<std::string> statements;
    } cases[] = {
        {{3, 3},
         {"ALTER TABLE \"ORDERS\" ALTER COLUMN \"ID\" SET NOT NULL",
          "ALTER TABLE \"ORDERS\" ALTER COLUMN \"NOTE\" SET DEFAULT 'it''s'",
          "ALTER TABLE \"ORDERS\" ALTER COLUMN \"PLACED\" SET DEFAULT CURRENT_TIMESTAMP",
          "ALTER TABLE \"ORDERS\" ADD CONSTRAINT \"PK_ORDERS\" PRIMARY KEY (\"ID\")",
          "CREATE DESCENDING INDEX \"IX_ORDERS_1\" ON \"ORDERS\" (\"PLACED\", \"ID\")",
          "EXECUTE BLOCK AS DECLARE N BIGINT; DECLARE R BIGINT; BEGIN SELECT MAX(\"ID\") FROM \"ORDERS\" INTO :N; "
          "IF (N IS NOT NULL) THEN BEGIN R = N + 1; R = R - 1; EXECUTE STATEMENT 'ALTER TABLE \"ORDERS\" ALTER "
          "COLUMN \"ID\" RESTART WITH ' || R; END END"}},
        // Dialect 1 takes bare names; Firebird 4 gives the restart value itself next.
        {{1, 4},
         {"ALTER TABLE ORDERS ALTER COLUMN ID SET NOT NULL", "ALTER TABLE ORDERS ALTER COLUMN NOTE SET DEFAULT 'it''s'",
          "ALTER TABLE ORDERS ALTER COLUMN PLACED SET DEFAULT CURRENT_TIMESTAMP",
          "ALTER TABLE ORDERS ADD CONSTRAINT PK_ORDERS PRIMARY KEY (ID)",
          "CREATE DESCENDING INDEX IX_ORDERS_1 ON ORDERS (PLACED, ID)",
          "EXECUTE BLOCK AS DECLARE N INTEGER; DECLARE R INTEGER; BEGIN SELECT MAX(ID) FROM ORDERS INTO :N; "
          "IF (N IS NOT NULL) THEN BEGIN R = N + 1; EXECUTE STATEMENT 'ALTER TABLE ORDERS ALTER COLUMN ID RESTART "
          "WITH ' || R; END END"}},
    };
    for (const auto& c : cases) {
        ConstraintNames names(31);
        const StructurePlan plan = FirebirdStructurePlan("ORDERS", Orders(), columns, c.target, names);
        std::vector<std::string> statements;
        for (const auto& s : plan.statements) statements.push_back(s.sql);
        EXPECT_EQ(statements, c.statements);
        ASSERT_EQ(plan.foreignKeys.size(), 1u);
        EXPECT_NE(plan.foreignKeys[0].sql.find(" REFERENCES "), std::string::npos);
        EXPECT_NE(plan.foreignKeys[0].sql.find(" ON UPDATE CASCADE"), std::string::npos);
        EXPECT_EQ(plan.foreignKeys[0].sql.find(" ON DELETE"), std::string::npos) << "NO ACTION is the default";
    }
}

// A moment's default takes the form the column's type has.
TEST(StructurePlan, TheMomentOfTheInsertInEachDateType) {
    TableStructure s;
    for (const char* column : {"AT", "ON", "WHEN"}) s.defaults[column] = {DefaultValue::kCurrentTimestamp, ""};
    ConstraintNames names(31);
    const StructurePlan plan = FirebirdStructurePlan(
        "T", s, {{"AT", "TIME", true}, {"ON", "DATE", true}, {"WHEN", "TIMESTAMP", true}}, {}, names);
    std::vector<std::string> statements;
    for (const auto& statement : plan.statements) statements.push_back(statement.sql);
    EXPECT_EQ(statements, (std::vector<std::string>{"ALTER TABLE \"T\" ALTER COLUMN \"AT\" SET DEFAULT CURRENT_TIME",
                                                    "ALTER TABLE \"T\" ALTER COLUMN \"ON\" SET DEFAULT CURRENT_DATE",
                                                    "ALTER TABLE \"T\" ALTER COLUMN \"WHEN\" SET DEFAULT CURRENT_TIMESTAMP"}));
}

// Into SQL Server dates are text: a moment's default would be a word there, and is said instead.
TEST(StructurePlan, SqlServerSaysWhatItsColumnsCannotTake) {
    const std::vector<StructureColumn> columns = {
        {"ID", "INT"}, {"PLACED", "NVARCHAR(32)", true}, {"NOTE", "NVARCHAR(10)"}, {"CUSTOMER", "INT"}};
    ConstraintNames names(128);
    const StructurePlan plan = SqlServerStructurePlan("ORDERS", Orders(), columns, names);
    std::vector<std::string> statements;
    for (const auto& s : plan.statements) statements.push_back(s.sql);
    EXPECT_EQ(statements, (std::vector<std::string>{"ALTER TABLE [ORDERS] ADD DEFAULT 'it''s' FOR [NOTE]",
                                                    "ALTER TABLE [ORDERS] ADD CONSTRAINT [PK_ORDERS] PRIMARY KEY ([ID])",
                                                    "CREATE INDEX [IX_ORDERS_1] ON [ORDERS] ([PLACED] DESC, [ID] DESC)",
                                                    "DBCC CHECKIDENT (N'[ORDERS]', RESEED)"}));
    EXPECT_EQ(plan.notCarried,
              std::vector<std::string>{"default of PLACED (now), which the column's type here does not take"});
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// What verify --keys says is missing from a copy, each way a key can change on the way.
TEST(MissingStructure, EachChangeOfAKeyIsSaid) {
    TableStructure source;
    source.primaryKey = KeyDefinition{"", {"ID"}};
    source.indexes = {{"BY_NAME", false, true, {"NAME"}}};
    source.uniques = {{"", {"CODE"}}};
    source.foreignKeys = {{"", {"PARENT_ID"}, "PARENT", {"ID"}, "NO ACTION", "CASCADE"}};
    source.defaults["QTY"] = {DefaultValue::kNumber, "1"};
    source.identity = "ID";
    const TableStructure same = source;
    EXPECT_EQ(MissingStructure(source, same), std::vector<std::string>{});

    const struct {
        std::function<void(TableStructure&)> change;
        std::string said;
    } cases[] = {
        {[](TableStructure& t) { t.indexes[0].descending = false; }, "index (NAME) descending"},
        {[](TableStructure& t) { t.foreignKeys[0].onDelete = "RESTRICT"; },
         "foreign key (PARENT_ID) to PARENT (ID) on delete CASCADE"},
        {[](TableStructure& t) { t.defaults.clear(); }, "default of QTY 1"},
        {[](TableStructure& t) { t.defaults["QTY"].text = "2"; }, "default of QTY 1"},
        {[](TableStructure& t) { t.identity.clear(); }, "identity ID"},
        {[](TableStructure& t) {
             t.uniques.clear();
             t.indexes.push_back({"BY_CODE", false, false, {"CODE"}});
         },
         "unique (CODE)"},  // a plain index is no unique constraint
    };
    for (const auto& c : cases) {
        TableStructure target = source;
        c.change(target);
        EXPECT_EQ(MissingStructure(source, target), std::vector<std::string>{c.said}) << c.said;
    }
    // Firebird's RESTRICT is SQL Server's NO ACTION: no difference.
    TableStructure restrict = source;
    restrict.foreignKeys[0].onUpdate = "RESTRICT";
    EXPECT_EQ(MissingStructure(source, restrict), std::vector<std::string>{});
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// The keys phase after a lost connection: one report, and every key after it listed as not made
// rather than one refusal a key (96 lines for a run of many tables).
TEST(StructureMaker, ALostConnectionIsSaidOnceAndTheRestAreNotMade) {
    FakeDatabase db;
    auto target = db.createConnection();
    target->open(FirebirdSettings({"/data/shop.fdb", "SYSDBA", ""}));
    db.failOn("execute ALTER TABLE \"A\" ADD PRIMARY KEY", "[08S01] Communication link failure", -1, true);
    std::vector<std::string> told;
    StructureMaker maker(*target, [&](const std::string& table, const std::string& what, const std::string&) {
        told.push_back(table + ": " + what);
    });
    StructurePlan a{{{"NOT NULL ID", "ALTER TABLE \"A\" ALTER \"ID\" SET NOT NULL"},
                     {"primary key (ID)", "ALTER TABLE \"A\" ADD PRIMARY KEY (\"ID\")"},
                     {"index X (N)", "CREATE INDEX X ON \"A\" (\"N\")"}},
                    {{"foreign key (B_ID) to B", "ALTER TABLE \"A\" ADD FOREIGN KEY (\"B_ID\") REFERENCES \"B\""}},
                    {}};
    StructurePlan b{{{"primary key (ID)", "ALTER TABLE \"B\" ADD PRIMARY KEY (\"ID\")"}}, {}, {}};
    maker.make("A", a);
    maker.make("B", b);
    maker.makeForeignKeys();
    EXPECT_EQ(told, std::vector<std::string>{"A: primary key (ID)"});
    ASSERT_EQ(maker.outcomes().size(), 2u);
    EXPECT_EQ(maker.outcomes()[0].made, std::vector<std::string>{"NOT NULL ID"});
    EXPECT_EQ(maker.outcomes()[0].notMade,
              (std::vector<std::string>{"primary key (ID)", "index X (N)", "foreign key (B_ID) to B"}));
    EXPECT_TRUE(maker.outcomes()[0].refused.empty());
    EXPECT_EQ(maker.outcomes()[1].notMade, std::vector<std::string>{"primary key (ID)"});
    EXPECT_EQ(db.calls("execute CREATE INDEX").size(), 0u) << "nothing tried after the loss";
}

// The keys keep to the rows' rules: a stop ends the phase before the next statement, and a
// statement the watchdog cancelled for a stall ends it too, said once; the rest are not made, and
// the summary says why.
TEST(StructureMaker, AStopOrAStallEndsThePhaseOnce) {
    for (const bool stall : {false, true}) {
        SCOPED_TRACE(stall ? "stall" : "stop");
        FakeDatabase db;
        auto target = db.createConnection();
        target->open(FirebirdSettings({"/data/shop.fdb", "SYSDBA", ""}));
        bool stopAsked = false;
        DatabaseError::Details cancelled;
        cancelled.cancelled = true;
        if (stall) db.failOn("execute ALTER TABLE \"A\" ADD PRIMARY KEY", "operation was cancelled", cancelled, -1);
        int madeSoFar = 0;
        std::vector<std::string> told;
        StructureMaker maker(
            *target, [&](const std::string& table, const std::string& what, const std::string& why) {
                told.push_back(table + ": " + what + ": " + why);
            },
            {[&] { return stopAsked; }, [&] { return stall; }, [&] { stopAsked = !stall && ++madeSoFar == 1; }, {}});
        StructurePlan a{{{"NOT NULL ID", "ALTER TABLE \"A\" ALTER \"ID\" SET NOT NULL"},
                         {"primary key (ID)", "ALTER TABLE \"A\" ADD PRIMARY KEY (\"ID\")"},
                         {"index X (N)", "CREATE INDEX X ON \"A\" (\"N\")"}},
                        {},
                        {}};
        maker.make("A", a);
        maker.make("B", {{{"primary key (ID)", "ALTER TABLE \"B\" ADD PRIMARY KEY (\"ID\")"}}, {}, {}});
        ASSERT_EQ(maker.outcomes().size(), 2u);
        EXPECT_EQ(maker.outcomes()[0].made, std::vector<std::string>{"NOT NULL ID"});
        EXPECT_EQ(maker.outcomes()[0].notMade, (std::vector<std::string>{"primary key (ID)", "index X (N)"}));
        EXPECT_EQ(maker.outcomes()[1].notMade, std::vector<std::string>{"primary key (ID)"});
        EXPECT_EQ(maker.outcomes()[1].notMadeBecause, stall ? "the target stopped answering" : "stopped");
        EXPECT_EQ(db.calls("execute CREATE INDEX").size(), 0u) << "nothing tried after the end";
        EXPECT_EQ(db.calls("execute ALTER TABLE \"A\" ADD PRIMARY KEY").size(), stall ? 1u : 0u);
        ASSERT_EQ(told.size(), stall ? 1u : 0u) << "a stall is said once; a stop is the run's to say";
        if (stall) {
            EXPECT_NE(told[0].find("stall time-out"), std::string::npos) << told[0];
        }
    }
}

}  // namespace
}  // namespace tess
