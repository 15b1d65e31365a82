// Our ODBC code against a real driver: SQLite's, registered as "SQL Server" for this process.
// It checks the ODBC plumbing (connecting, catalogue, types, values, diagnostics), not SQL Server's dialect.
#include <gtest/gtest.h>

#include "catalogue/table_listing.h"
#include "connect/connection_strings.h"
#include "fakes/fake_toolkit.h"
#include "platform/drivers/drivers_database.h"
#include "temp_folder.h"
#include "transfer/value_text.h"

namespace tess {

extern const char* const kOdbcDriversIni = kSqliteStandingIn;

namespace {

class OdbcSqliteTest : public testing::Test {
protected:
    SqlServerLogin login(const std::string& database) const { return {"localhost", "1433", database, "sa", "pw", false}; }
    std::unique_ptr<Connection> open(const std::string& database) {
        auto c = db_.createConnection();
        c->open(SqlServerSettings(login(database)));
        return c;
    }

    // Every row of a query, every column.
    static std::vector<std::vector<Value>> ReadAll(Connection& c, const std::string& query) {
        auto rs = c.openRecordset(query);
        std::vector<std::vector<Value>> rows;
        for (; !rs->eof(); rs->moveNext()) {
            rows.emplace_back();
            for (int j = 0; j < rs->fieldCount(); ++j) rows.back().push_back(rs->value(j));
        }
        return rows;
    }

    TempFolder folder_;
    DriversDatabase db_;
};

// What a failure says of itself comes from the driver's codes: a row's own value, or the table
// that no further row gets into.
TEST_F(OdbcSqliteTest, FailuresSayWhetherTheyEndTheTable) {
    const std::string file = folder_.file("codes.db");
    open(file)->execute("CREATE TABLE T (ID INTEGER NOT NULL UNIQUE)");
    auto c = open(file);
    c->execute("INSERT INTO T VALUES (1)");
    const auto failure = [&](const std::string& sql) -> DatabaseError {
        try {
            c->execute(sql);
        } catch (const DatabaseError& e) {
            return e;
        }
        ADD_FAILURE() << sql << " did not fail";
        return DatabaseError("");
    };
    EXPECT_FALSE(failure("INSERT INTO T VALUES (1)").endsTable()) << "a duplicate is the row's own";
    EXPECT_FALSE(failure("INSERT INTO T VALUES (NULL)").endsTable());
    c->execute("PRAGMA query_only = 1");  // read-only, as a file mode is not to a test run as root
    const DatabaseError readOnly = failure("INSERT INTO T VALUES (2)");
    EXPECT_TRUE(readOnly.endsTable()) << readOnly.what();
}

TEST_F(OdbcSqliteTest, ConnectsListsAndReadsEveryValueKind) {
    const std::string file = folder_.file("shop.db");
    auto c = open(file);
    c->execute("CREATE TABLE Orders (i INTEGER, big BIGINT, flag BIT, r REAL, d DOUBLE, amount NUMERIC(19,4), "
               "name VARCHAR(50), note TEXT, placed DATE, at TIME, stamp TIMESTAMP, raw BLOB)");
    c->execute("INSERT INTO Orders VALUES (42, 9007199254740993, 1, 1.5, 0.1, 12.5, 'it''s é日本 Ωж', 'n', "
               "'2014-05-20', '10:30:45', '2014-05-20 10:30:45.123', x'00ff00')");
    c->execute("INSERT INTO Orders (i) VALUES (NULL)");
    c->execute("CREATE TABLE sysdiagrams (x INTEGER)");
    c->execute("CREATE VIEW OrderView AS SELECT i FROM Orders");

    EXPECT_EQ(SqlServerTables(db_, login(file)), (std::vector<std::string>{"Orders"}));

    // As in ADO, only a static cursor counts its rows (a count reads the table again).
    EXPECT_EQ(c->openRecordset("SELECT * FROM [Orders]")->recordCount(), -1);
    auto rs = c->openRecordset("SELECT * FROM [Orders]", kOpenStatic, kLockOptimistic);
    EXPECT_EQ(rs->recordCount(), 2);
    ASSERT_EQ(rs->fieldCount(), 12);
    const std::vector<Value> expected = {
        std::int64_t{42},
        std::int64_t{9007199254740993},
        true,
        Floating{1.5, false},
        Floating{0.1, false},
        Floating{12.5, false},
        std::string("it's é日本 Ωж"),
        std::string("n"),
        DateTime{2014, 5, 20, 0, 0, 0, 0},
        DateTime{1899, 12, 30, 10, 30, 45, 0},
        DateTime{2014, 5, 20, 10, 30, 45, 123000000},
        Bytes{0x00, 0xFF, 0x00},
    };
    // SQLite's driver describes REAL and NUMERIC as SQL_DOUBLE and BLOB as SQL_BINARY; what SQL Server's
    // drivers describe is mapped in the adapter's unit tests.
    const int expectedTypes[] = {3, 20, 11, 5, 5, 5, 200, 201, 133, 134, 135, 128};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(rs->value(i), expected[i]) << rs->field(i).name;
        EXPECT_EQ(rs->field(i).type, expectedTypes[i]) << rs->field(i).name;
    }
    rs->moveNext();
    for (int i = 0; i < 12; ++i) EXPECT_TRUE(IsNull(rs->value(i))) << rs->field(i).name;
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    rs->close();
    c->close();
}

TEST_F(OdbcSqliteTest, LongTextArrivesWhole) {
    auto c = open(folder_.file("long.db"));
    c->execute("CREATE TABLE t (body TEXT)");
    std::string text;
    for (int i = 0; i < 40000; ++i) text += "é日x";
    c->execute("INSERT INTO t VALUES ('" + text + "')");
    // A character of two UTF-16 units on each side of the first piece's end (32,766 units).
    for (size_t before : {32764u, 32765u, 32766u})
        c->executeWith("INSERT INTO t VALUES (?)", {std::string(before, 'x') + "😀" + text});
    auto rs = c->openRecordset("SELECT body FROM t", kOpenStatic, kLockOptimistic);
    const std::string read = std::get<std::string>(rs->value(0));
    EXPECT_EQ(read.size(), text.size());
    EXPECT_TRUE(read == text);
    for (size_t before : {32764u, 32765u, 32766u}) {
        rs->moveNext();
        EXPECT_TRUE(std::get<std::string>(rs->value(0)) == std::string(before, 'x') + "😀" + text) << before;
    }
}

// Past a megabyte a text goes at execution, a piece of 64 KB of UTF-8 at a time, each made UTF-16
// as it goes: a piece ends on a whole character wherever the characters fall, and the text read
// back (in quarters) is the text written.
TEST_F(OdbcSqliteTest, TextsPastAMegabyteGoInWholeCharacters) {
    auto c = open(folder_.file("pieces.db"));
    c->execute("CREATE TABLE t (shift INTEGER, body TEXT)");
    std::string pattern;
    for (int i = 0; i < 120000; ++i) pattern += "é日😀a";  // 10 bytes, 5 UTF-16 units
    for (std::int64_t shift = 0; shift < 10; ++shift)
        c->executeWith("INSERT INTO t VALUES (?, ?)", {shift, std::string(static_cast<size_t>(shift), 'x') + pattern});
    auto rs = c->openRecordset("SELECT shift, body FROM t ORDER BY shift", kOpenStatic, kLockOptimistic);
    for (size_t shift = 0; shift < 10; ++shift, rs->moveNext()) {
        ASSERT_FALSE(rs->eof());
        EXPECT_TRUE(std::get<std::string>(rs->value(1)) == std::string(shift, 'x') + pattern) << shift;
    }
}

TEST_F(OdbcSqliteTest, DiagnosticsReachTheError) {
    auto c = open(folder_.file("err.db"));
    try {
        c->execute("SELECT * FROM no_such_table");
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find("no such table"), std::string::npos) << text;
        EXPECT_EQ(text[0], '[') << "records start with their SQLSTATE: " << text;
        // The codes stand beside the words: the first record's SQLSTATE, and its native error
        // (SQLite's SQLITE_ERROR, 1).
        ASSERT_FALSE(e.codes().sqlStates.empty());
        EXPECT_EQ(text.substr(1, 5), e.codes().sqlStates[0]);
        EXPECT_EQ(e.codes().nativeErrors.at(0), 1);
        EXPECT_FALSE(e.connectionLost());
        EXPECT_FALSE(e.timedOut());
    }
}

// A prepared statement and a recordset may outlive their connection, closed or dropped: they then
// refuse to run, and go without touching the handles the driver manager freed with it.
TEST_F(OdbcSqliteTest, StatementsThatOutliveTheirConnectionRefuseToRun) {
    for (bool dropped : {false, true}) {
        auto c = open(folder_.file(dropped ? "dropped.db" : "closed.db"));
        c->execute("CREATE TABLE t (x INTEGER)");
        c->execute("INSERT INTO t VALUES (1)");
        auto prepared = c->prepare("INSERT INTO t VALUES (?)");
        auto rows = c->openRecordset("SELECT x FROM t");
        if (dropped)
            c.reset();
        else
            c->close();
        EXPECT_THROW(prepared->execute({std::string("2")}), DatabaseError) << "dropped " << dropped;
        EXPECT_THROW(rows->moveNext(), DatabaseError) << "dropped " << dropped;
    }
}

// A login value too long for ODBC's connection text is refused, never cut to a shorter one.
TEST_F(OdbcSqliteTest, AConnectionTextTooLongForOdbcIsRefused) {
    SqlServerLogin huge = login(folder_.file("huge.db"));
    huge.password = std::string(65535, 'p');
    auto c = db_.createConnection();
    try {
        c->open(SqlServerSettings(huge));
        FAIL() << "connected";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("ODBC takes at most 32,767"), std::string::npos) << e.what();
    }
}

// SQLite's driver ignores the password and splits its text at every ";", so all it can show is
// that a braced value leaves the rest of the text readable.
TEST_F(OdbcSqliteTest, ABracedPasswordLeavesTheTextUsable) {
    const std::string file = folder_.file("awkward.db");
    SqlServerLogin awkward = login(file);
    awkward.password = "pa;ss}";
    EXPECT_TRUE(TestSqlServerConnection(db_, awkward));
}

class OdbcParameters : public OdbcSqliteTest {};

// Long values travel as parameters, and a table's rows can run in one transaction.
TEST_F(OdbcParameters, ParametersAndTransactionsReachTheDriver) {
    const std::string file = folder_.file("params.db");
    auto c = open(file);
    c->execute("CREATE TABLE T (n INTEGER, note TEXT, raw BLOB)");
    const std::string longText = std::string(1 << 20, 'x') + "é日本";
    const Bytes raw = {0, 255, 0, 1};
    c->beginTransaction();
    c->executeWith("INSERT INTO T VALUES (1, ?, ?)", {longText, raw});
    c->executeWith("INSERT INTO T VALUES (2, ?, ?)", {Null{}, Null{}});
    c->executeWith("INSERT INTO T VALUES (?, ?, NULL)", {std::int64_t{3}, Floating{0.1, false}});
    EXPECT_THROW(c->executeWith("INSERT INTO T VALUES (5, ?, ?)", {DateTime{}, Null{}}), DatabaseError);
    c->commitTransaction();
    c->execute("INSERT INTO T VALUES (4, 'after', NULL)");  // autocommit again
    c->close();

    auto reader = open(file);
    const auto rows = ReadAll(*reader, "SELECT n, note, raw FROM T ORDER BY n");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][1], Value(longText));
    EXPECT_EQ(rows[0][2], Value(raw));
    EXPECT_TRUE(IsNull(rows[1][1]) && IsNull(rows[1][2]));
    EXPECT_EQ(rows[2][0], Value(std::int64_t{3})) << "an integer arrives as one";
    EXPECT_EQ(rows[2][1], Value(std::string("0.1")));
    EXPECT_EQ(rows[3][1], Value(std::string("after")));
}

// The bulk mode's statement: prepared once, run with row after row, inside a transaction that can
// also be rolled back.
TEST_F(OdbcParameters, APreparedStatementRunsRowAfterRow) {
    const std::string file = folder_.file("prepared.db");
    auto c = open(file);
    c->execute("CREATE TABLE T (n INTEGER, note TEXT, raw BLOB)");
    auto insert = c->prepare("INSERT INTO T VALUES (?, ?, ?)");
    c->beginTransaction();
    insert->execute({std::string("1"), std::string("é日本"), Bytes{0, 1}});
    insert->execute({std::string("2"), Null{}, Null{}});
    c->rollbackTransaction();
    c->beginTransaction();
    insert->execute({std::string("3"), std::string("kept"), Null{}});
    insert->execute({Floating{2.5, false}, std::string("x"), Null{}});
    c->commitTransaction();
    const auto rows = ReadAll(*c, "SELECT n, note FROM T ORDER BY n");
    ASSERT_EQ(rows.size(), 2u) << "the rolled-back rows are gone";
    EXPECT_EQ(rows[0][1], Value(std::string("x")));
    EXPECT_EQ(rows[1][1], Value(std::string("kept")));
}

// A value longer than its column declares (SQLite keeps such values) arrives whole; results of
// numbers, decimals and dates come a block of rows at a time.
TEST_F(OdbcSqliteTest, ValuesLongerThanDeclaredAndBlocksOfRows) {
    const std::string file = folder_.file("long.db");
    auto c = open(file);
    c->execute("CREATE TABLE T (id INTEGER, code VARCHAR(4), amount NUMERIC(6,2))");
    const std::string longText(300, 'x');
    for (int i = 0; i < 600; ++i)
        c->execute("INSERT INTO T VALUES (" + std::to_string(i) + ", '" + (i % 250 == 7 ? longText : "ab") + "', " +
                   std::to_string(i) + ".25)");
    auto rs = c->openRecordset("SELECT * FROM T ORDER BY id");
    int rows = 0;
    for (; !rs->eof(); rs->moveNext(), ++rows) {
        EXPECT_EQ(rs->value(0), Value(std::int64_t{rows}));
        EXPECT_EQ(rs->value(1), Value(rows % 250 == 7 ? longText : std::string("ab"))) << rows;
    }
    EXPECT_EQ(rows, 600);

    // Numbers, decimals and dates come a block of rows at a time, across the blocks' edges.
    c->execute("CREATE TABLE N (id INTEGER, amount NUMERIC(6,2), ratio DOUBLE, day DATE)");
    c->execute("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 599) INSERT INTO N SELECT i, "
               "CASE WHEN i % 100 = 5 THEN NULL ELSE i + 0.25 END, i / 4.0, date(946684800 + i * 86400, 'unixepoch') "
               "FROM n");
    auto block = c->openRecordset("SELECT * FROM N ORDER BY id");
    rows = 0;
    for (; !block->eof(); block->moveNext(), ++rows) {
        ASSERT_EQ(block->value(0), Value(std::int64_t{rows}));
        if (rows % 100 == 5)
            EXPECT_TRUE(IsNull(block->value(1))) << rows;
        else
            EXPECT_EQ(ValueText(block->value(1)), std::to_string(rows) + ".25") << rows;  // the stand-in's NUMERIC is a double
        EXPECT_EQ(block->value(2), Value(Floating{rows / 4.0, false})) << rows;
        EXPECT_TRUE(std::holds_alternative<DateTime>(block->value(3))) << rows;
    }
    EXPECT_EQ(rows, 600);
}

// Rows in arrays of values: every value arrives as one row at a time would have sent it, and a
// refused row fails the whole call, even where the driver reports the call itself as a success.
TEST_F(OdbcParameters, ArraysOfRowsArriveWholeAndARefusalIsNotLost) {
    const std::string file = folder_.file("arrays.db");
    auto c = open(file);
    for (const char* table : {"T", "U"})
        c->execute(std::string("CREATE TABLE ") + table + " (n TEXT CHECK (n <> 'refused'), note TEXT, x, k)");
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < 600; ++i) {
        Value note = i % 3 == 0 ? Value(Null{}) : Value(std::string(static_cast<size_t>(i), 'a') + "é日本😀");
        Value number = i % 2 ? Value(Floating{i / 7.0, i % 4 == 1}) : Value(Null{});
        // Integers alone travel as integers; a column that mixes them with text, as text.
        Value integer = i % 5 == 0 ? Value(Null{}) : Value(std::int64_t{(i - 300) * 30000000007LL});
        rows.push_back({std::to_string(1000 + i), note, number, integer});
    }
    auto arrays = c->prepare("INSERT INTO T VALUES (?, ?, ?, ?)");
    auto single = c->prepare("INSERT INTO U VALUES (?, ?, ?, ?)");
    arrays->executeMany(rows);
    for (const auto& row : rows) single->execute(row);
    const std::vector<std::vector<Value>> wide = {{std::string("wide"), std::string(100'000, 'z'), Null{}, std::int64_t{1}},
                                                  {std::string("wide 2"), std::string("short"), Null{}, std::string("2")}};
    arrays->executeMany(wide);
    for (const auto& row : wide) single->execute(row);

    auto refused = rows;
    refused[300][0] = std::string("refused");
    c->beginTransaction();
    try {
        arrays->executeMany(refused);
        ADD_FAILURE() << "a refused row went unnoticed";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("constraint"), std::string::npos) << e.what();
    }
    c->rollbackTransaction();
    // A refusal one row at a time carries the driver's words too.
    try {
        single->execute(refused[300]);
        ADD_FAILURE() << "a refused row went unnoticed";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("constraint"), std::string::npos) << e.what();
    }
    // Binary values still arrive, one row at a time.
    const std::vector<std::vector<Value>> mixed = {{std::string("mixed 1"), std::string("text"), Bytes{1, 2, 3}, Null{}},
                                                   {std::string("mixed 2"), Bytes{1, 2}, Bytes{4}, Null{}}};
    arrays->executeMany(mixed);
    single->executeMany(mixed);
    arrays->execute({std::string("single"), std::string("after the arrays"), Null{}, Null{}});
    single->execute({std::string("single"), std::string("after the arrays"), Null{}, Null{}});

    const auto viaArrays = ReadAll(*c, "SELECT n, note, x, k FROM T ORDER BY n");
    const auto viaRows = ReadAll(*c, "SELECT n, note, x, k FROM U ORDER BY n");
    ASSERT_EQ(viaArrays.size(), 605u);
    ASSERT_EQ(viaRows.size(), 605u);
    for (size_t i = 0, shown = 0; i < viaArrays.size() && shown < 5; ++i)
        for (size_t j = 0; j < 4; ++j)
            if (viaArrays[i][j] != viaRows[i][j] && ++shown) ADD_FAILURE() << "row " << i << ", column " << j << ": " << ValueText(viaArrays[i][j]) << " | " << ValueText(viaRows[i][j]);
    EXPECT_EQ(viaArrays[603][1], Value(std::string(100'000, 'z')));
}

// A connection left without close(), as an error leaves it, ends without touching freed handles.
TEST_F(OdbcSqliteTest, AConnectionDroppedOpenEndsCleanly) {
    for (int i = 0; i < 3; ++i) {
        auto c = open(folder_.file("dropped.db"));
        c->execute("CREATE TABLE IF NOT EXISTS T (n INTEGER)");
        c->execute("INSERT INTO T VALUES (1)");
    }
    auto c = open(folder_.file("dropped.db"));
    auto rs = c->openRecordset("SELECT COUNT(*) FROM T");
    EXPECT_EQ(ValueText(rs->value(0)), "3");
}

}  // namespace
}  // namespace tess
