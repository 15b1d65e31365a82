// The Firebird adapter against databases that the embedded engine makes in a temp folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/table_keys.h"
#include "catalogue/table_listing.h"
#include "catalogue/table_structure.h"
#include "connect/connection_strings.h"
#include "tables/drop_listed_table.h"
#include "transfer/identifiers.h"
#include "fakes/fake_toolkit.h"
#include "platform/drivers/drivers_database.h"
#include "temp_folder.h"

namespace tess {
namespace {

class FirebirdTest : public testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.file("shop.fdb");
        CreateFirebirdDatabase(path_);
    }
    FirebirdLogin login() const { return {path_, "SYSDBA", "cobaltrim"}; }
    std::unique_ptr<Connection> open() {
        auto c = db_.createConnection();
        c->open(FirebirdSettings(login()));
        return c;
    }
    void run(std::initializer_list<const char*> statements) {
        auto c = open();
        for (const char* sql : statements) c->execute(sql);
        c->close();
    }

    TempFolder folder_;
    std::string path_;
    DriversDatabase db_;
};

// The columns that name a table's rows: its primary key in key order, else its first unique key.
TEST_F(FirebirdTest, KeyColumnsAreThePrimaryKeyElseAUniqueKey) {
    run({"CREATE TABLE JOB (JOB_CODE VARCHAR(5) NOT NULL, JOB_GRADE SMALLINT NOT NULL, JOB_COUNTRY VARCHAR(15) NOT NULL, "
         "TITLE VARCHAR(25), UNIQUE (TITLE), PRIMARY KEY (JOB_CODE, JOB_GRADE, JOB_COUNTRY))",
         "CREATE TABLE \"Badges\" (\"Id\" INTEGER, \"Code\" VARCHAR(5) NOT NULL, \"Site\" INTEGER NOT NULL, "
         "UNIQUE (\"Site\", \"Code\"))",
         "CREATE TABLE LOOSE (X INTEGER)"});
    auto c = open();
    EXPECT_EQ(FirebirdKeyColumns(*c, "JOB"), (std::vector<std::string>{"JOB_CODE", "JOB_GRADE", "JOB_COUNTRY"}));
    EXPECT_EQ(FirebirdKeyColumns(*c, "Badges"), (std::vector<std::string>{"Site", "Code"}));
    EXPECT_TRUE(FirebirdKeyColumns(*c, "LOOSE").empty());
    EXPECT_TRUE(FirebirdKeyColumns(*c, "job").empty()) << "names are compared as the catalogue spells them";
}

// The catalogue's reads take the table's name as a value: a quote in it is the name's own, and a
// name longer than the engine's is no table, not a failure.
TEST_F(FirebirdTest, CatalogueReadsTakeNamesAsValues) {
    run({"CREATE TABLE \"O'Brien\" (ID INTEGER NOT NULL PRIMARY KEY, \"It's\" INTEGER DEFAULT 5 NOT NULL)"});
    auto c = open();
    EXPECT_EQ(FirebirdKeyColumns(*c, "O'Brien"), (std::vector<std::string>{"ID"}));
    const TableStructure s = ReadFirebirdStructure(*c, "O'Brien");
    ASSERT_TRUE(s.primaryKey);
    EXPECT_EQ(s.primaryKey->columns, (std::vector<std::string>{"ID"}));
    EXPECT_EQ(s.notNull, (std::vector<std::string>{"ID", "It's"}));
    const std::string tooLong(80, 'X');
    EXPECT_TRUE(FirebirdKeyColumns(*c, tooLong).empty());
    EXPECT_FALSE(ReadFirebirdStructure(*c, tooLong).primaryKey);
}

TEST_F(FirebirdTest, ListsTablesAndViewsButNotTheEnginesOwn) {
    run({"CREATE TABLE ORDERS (ID INTEGER)", "CREATE TABLE \"AB\" (X INTEGER)", "CREATE TABLE \"AB$CD\" (X INTEGER)",
         "CREATE TABLE \"ABC$DEF\" (X INTEGER)", "CREATE TABLE \"Mixed Case\" (X INTEGER)",
         "CREATE VIEW V_ORDERS AS SELECT ID FROM ORDERS"});
    EXPECT_EQ(FirebirdTables(db_, login()), (std::vector<std::string>{"AB", "AB$CD", "Mixed Case", "ORDERS", "V_ORDERS"}));

    auto c = open();
    auto rows = c->openSchema(kSchemaTables);
    int systemTables = 0;
    for (; !rows->eof(); rows->moveNext())
        if (std::get<std::string>(rows->value("TABLE_TYPE")) == "SYSTEM TABLE") ++systemTables;
    EXPECT_GT(systemTables, 20) << "the catalogue reports the engine's tables; the list leaves them out";
}

// What Delete Table/s learns of a refused DROP: a view is named as one, a table dropped by
// someone else since the listing is missing, a table still there is one.
TEST_F(FirebirdTest, ARefusedDropIsExplainedByTheCatalogue) {
    run({"CREATE TABLE ORDERS (ID INTEGER)", "CREATE TABLE \"Gone\" (X INTEGER)",
         "CREATE VIEW V_ORDERS AS SELECT ID FROM ORDERS", "DROP TABLE \"Gone\""});
    auto c = open();
    struct Case {
        const char* entry;
        CatalogueEntry found;
    } cases[] = {{"V_ORDERS", CatalogueEntry::kView}, {"Gone", CatalogueEntry::kMissing}};
    for (const Case& k : cases) {
        bool gone = true;
        try {
            DropListedTable(*c, "DROP TABLE " + FirebirdName(k.entry), k.entry,
                            [&] { return FindInCatalogue(*c, k.entry); }, gone);
            ADD_FAILURE() << k.entry << " was dropped";
        } catch (const DatabaseError& e) {
            const bool namesTheView = std::string(e.what()).find("V_ORDERS is a view") != std::string::npos;
            EXPECT_EQ(namesTheView, k.found == CatalogueEntry::kView) << e.what();
        }
        EXPECT_EQ(gone, k.found == CatalogueEntry::kMissing) << k.entry;
    }
    EXPECT_EQ(FindInCatalogue(*c, "ORDERS"), CatalogueEntry::kTable);
    EXPECT_EQ(FindInCatalogue(*c, "orders"), CatalogueEntry::kMissing) << "names are matched exactly";
    c->close();
}

// A prepared statement may outlive its connection, closed or dropped: it then refuses to run, and
// frees its statement on its own attachment reference.
TEST_F(FirebirdTest, APreparedStatementThatOutlivesItsConnectionRefusesToRun) {
    run({"CREATE TABLE T (X INTEGER)"});
    for (bool dropped : {false, true}) {
        auto c = open();
        auto prepared = c->prepare("INSERT INTO T VALUES (?)");
        prepared->execute({std::string("1")});
        if (dropped)
            c.reset();
        else
            c->close();
        EXPECT_THROW(prepared->execute({std::string("2")}), DatabaseError) << "dropped " << dropped;
    }
    auto c = open();
    auto rows = c->openRecordset("SELECT COUNT(*) FROM T");
    EXPECT_EQ(rows->value(0), Value(std::int64_t{2}));
}

TEST_F(FirebirdTest, ReportsAdoTypesAndExactValues) {
    run({"CREATE TABLE KINDS (SI SMALLINT, I INTEGER, BI BIGINT, F FLOAT, D DOUBLE PRECISION, "
         "N NUMERIC(18,4), DE DECIMAL(9,2), C CHAR(5), V VARCHAR(40), CU CHAR(3) CHARACTER SET UTF8, "
         "VU VARCHAR(10) CHARACTER SET UTF8, CO CHAR(4) CHARACTER SET OCTETS, VO VARCHAR(8) CHARACTER SET OCTETS, "
         "BT BLOB SUB_TYPE TEXT, BB BLOB SUB_TYPE BINARY, DA DATE, TI TIME, TS TIMESTAMP, BO BOOLEAN)",
         "INSERT INTO KINDS VALUES (-32768, 2147483647, -9223372036854775808, 3.1415927, 0.1, "
         "99999999999999.9999, -1234567.89, 'ab', 'it''s', 'é日', 'ß😀', x'00FF0001', x'0000', "
         "'long text é', x'00010203FF', '2014-05-20', '10:30:45.1234', '2014-05-20 23:59:59.9999', TRUE)",
         "INSERT INTO KINDS (I) VALUES (NULL)"});
    auto c = open();
    auto rs = c->openRecordset("SELECT * FROM KINDS", kOpenStatic, kLockOptimistic);
    EXPECT_EQ(rs->recordCount(), 2);
    struct Expected {
        const char* name;
        int type;
        long long size;
        int precision, scale;
        Value value;
    } expected[] = {
        {"SI", 2, 2, 5, 0, std::int64_t{-32768}},
        {"I", 3, 4, 10, 0, std::int64_t{2147483647}},
        {"BI", 20, 8, 19, 0, std::int64_t{INT64_MIN}},
        {"F", 4, 4, 7, 0, Floating{3.1415927f, true}},
        {"D", 5, 8, 15, 0, Floating{0.1, false}},
        {"N", 131, 8, 18, 4, Decimal{"99999999999999.9999"}},
        {"DE", 14, 4, 9, 2, Decimal{"-1234567.89"}},
        {"C", 129, 5, 255, 0, std::string("ab   ")},
        {"V", 200, 40, 255, 0, std::string("it's")},
        {"CU", 130, 3, 255, 0, std::string("é日 ")},
        {"VU", 202, 10, 255, 0, std::string("ß😀")},
        {"CO", 128, 4, 255, 0, Bytes{0x00, 0xFF, 0x00, 0x01}},
        {"VO", 204, 8, 255, 0, Bytes{0x00, 0x00}},
        {"BT", 201, 2147483647, 255, 0, std::string("long text é")},
        {"BB", 205, 2147483647, 255, 0, Bytes{0x00, 0x01, 0x02, 0x03, 0xFF}},
        {"DA", 133, 6, 255, 0, DateTime{2014, 5, 20, 0, 0, 0, 0}},
        {"TI", 134, 6, 255, 0, DateTime{1899, 12, 30, 10, 30, 45, 123400000}},
        {"TS", 135, 16, 255, 4, DateTime{2014, 5, 20, 23, 59, 59, 999900000}},
        {"BO", 11, 2, 255, 0, true},
    };
    ASSERT_EQ(rs->fieldCount(), static_cast<int>(std::size(expected)));
    for (int i = 0; i < rs->fieldCount(); ++i) {
        const auto& e = expected[i];
        const FieldInfo& f = rs->field(i);
        EXPECT_EQ(f.name, e.name);
        EXPECT_EQ(f.type, e.type) << e.name;
        EXPECT_EQ(f.definedSize, e.size) << e.name;
        EXPECT_EQ(f.precision, e.precision) << e.name;
        EXPECT_EQ(f.numericScale, e.scale) << e.name;
        EXPECT_EQ(rs->value(i), e.value) << e.name;
    }
    rs->moveNext();
    ASSERT_FALSE(rs->eof());
    for (int i = 0; i < rs->fieldCount(); ++i) EXPECT_TRUE(IsNull(rs->value(i))) << expected[i].name;
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    rs->close();
    c->close();
}

// A count reads the whole table a second time: it is taken only when asked for, before the rows.
TEST_F(FirebirdTest, CountsOnlyWhenAskedAndStreamsToTheEnd) {
    run({"CREATE TABLE T (N INTEGER)",
         "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 2500) DO BEGIN "
         "INSERT INTO T VALUES (:I); I = I + 1; END END"});
    auto c = open();
    auto tableReads = [&] {
        auto r = c->openRecordset(
            "SELECT s.MON$RECORD_SEQ_READS FROM MON$ATTACHMENTS a JOIN MON$RECORD_STATS s "
            "ON s.MON$STAT_ID = a.MON$STAT_ID WHERE a.MON$ATTACHMENT_ID = CURRENT_CONNECTION");
        return std::get<std::int64_t>(r->value(0));
    };
    for (const bool counted : {false, true}) {
        const std::int64_t before = tableReads();
        auto rs = c->openRecordset("SELECT * FROM T ORDER BY N", kOpenStatic, kLockOptimistic);
        if (counted) {
            EXPECT_EQ(rs->recordCount(), 2500);
        }
        std::int64_t expected = 0;
        for (; !rs->eof(); rs->moveNext()) EXPECT_EQ(std::get<std::int64_t>(rs->value(0)), expected++);
        EXPECT_EQ(expected, 2500);
        rs->close();
        const std::int64_t reads = tableReads() - before, once = 2500;
        EXPECT_GE(reads, counted ? 2 * once : once) << counted;
        EXPECT_LT(reads, counted ? 3 * once : 2 * once) << counted;  // the engine's own reads besides
    }
}

TEST_F(FirebirdTest, FailuresCarryFirebirdsOwnText) {
    auto c = open();
    try {
        c->execute("INSERT INTO NO_SUCH_TABLE VALUES (1)");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("NO_SUCH_TABLE"), std::string::npos) << e.what();
        // The status vector's codes stand beside its words: a failed statement, an unknown table.
        const std::vector<long>& codes = e.codes().gdsCodes;
        EXPECT_NE(std::find(codes.begin(), codes.end(), 335544569L), codes.end()) << "isc_dsql_error";
        EXPECT_NE(std::find(codes.begin(), codes.end(), 335544580L), codes.end()) << "isc_dsql_relation_err";
        EXPECT_FALSE(e.connectionLost());
    }
    auto missing = db_.createConnection();
    try {
        missing->open(FirebirdSettings({folder_.file("missing.fdb"), "SYSDBA", ""}));
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("missing.fdb"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(TestFirebirdConnection(db_, login()));
    EXPECT_FALSE(TestFirebirdConnection(db_, {folder_.file("missing.fdb"), "SYSDBA", ""}));
}

// The embedded engine trusts the user name it is given, so the name shows what reached the engine.
TEST_F(FirebirdTest, LoginValuesWithSeparatorsReachTheEngineIntact) {
    auto c = db_.createConnection();
    c->open(FirebirdSettings({path_, "US;ER}", "pa;ss}"}));
    auto rs = c->openRecordset("SELECT CURRENT_USER FROM RDB$DATABASE", kOpenForwardOnly, kLockReadOnly);
    EXPECT_EQ(std::get<std::string>(rs->value(0)).substr(0, 6), "US;ER}");
}

}  // namespace
}  // namespace tess
