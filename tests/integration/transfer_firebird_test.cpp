// Both transfers against a real Firebird database, with the SQL Server side scripted by the fake.
#include <gtest/gtest.h>

#include "firebird_target.h"
#include "transfer/firebird_block.h"
#include "transfer/firebird_mapping.h"

namespace tess {
namespace {

class TransferFirebirdTest : public FirebirdTarget {};

// Every kind of value, with the awkward cases, read back from Firebird exactly: through the
// windows' literal statements and through the companion's --bulk alike: a row at a time (as into
// the embedded engine), in one block of every row, and in blocks of two and a tail of one.
TEST_F(TransferFirebirdTest, HostileValuesArriveExactly) {
  struct Mode {
      const char* name;
      bool bulk;
      size_t blockRows;
  };
  for (const Mode mode : {Mode{"literal", false, 0}, Mode{"bulk", true, 0}, Mode{"blocks-of-255", true, 255},
                          Mode{"blocks-of-2", true, 2}}) {
    SCOPED_TRACE(mode.name);
    const bool bulk = mode.bulk;
    useDatabase(std::string(mode.name) + ".fdb");
    const std::string megabyte = [] {
        std::string s;
        while (s.size() < (1 << 20)) s += "é日本語 'quoted' 😀 ";
        return s;
    }();
    FakeResult source;
    source.fields = {{"Id", 20, 8, 19, 0},          {"Small", 2, 2, 5, 0},       {"Single", 4, 4, 7, 0},
                     {"Double", 5, 8, 15, 0},       {"Money", 131, 8, 19, 4},    {"Flag", 11, 2, 255, 0},
                     {"Name", 202, 50, 255, 0},     {"Code", 200, 10, 255, 0},   {"Body", 201, 2147483647, 255, 0},
                     {"Stamp", 135, 16, 23, 3},     {"Day", 133, 10, 255, 0},    {"Raw", 205, 2147483647, 255, 0},
                     {"Guid", 72, 16, 255, 0}};
    source.rows = {
        {std::int64_t{INT64_MIN}, std::int64_t{-32768}, Floating{1.0e38f, true}, Floating{0.1, false},
         Decimal{"99999999999999.9999"}, true, std::string("it's \"x\" ''"), std::string("2014-05-20"), megabyte,
         DateTime{2014, 5, 20, 23, 59, 59, 999900000}, DateTime{2014, 5, 21, 0, 0, 0, 0},
         Bytes{0x00, 0x27, 0x00, 0xFF}, std::string("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")},
        {std::int64_t{INT64_MAX}, Null{}, Floating{-1.5e-38f, true}, Floating{1.7976931348623157e308, false},
         Decimal{"-0.0001"}, false, std::string("Zoë ß Ωж 😀"), std::string("10:30"), std::string("short"),
         DateTime{1899, 12, 30, 10, 30, 0, 0}, Null{}, Bytes(70000, 0x00), Null{}},
        {std::int64_t{0}, std::int64_t{0}, Null{}, Null{}, Null{}, Null{}, std::string(""), Null{}, Null{}, Null{},
         Null{}, Null{}, Null{}},
    };
    // Money has 19 digits, one more than Firebird 3's NUMERIC: its largest amount is measured first.
    scriptWideNumbers("Everything", {"Money"}, {Decimal{"99999999999999.9999"}});
    list2.clear();
    sendToFirebird("Everything", source, bulk, mode.blockRows);
    for (const auto& box : ui.boxes) ADD_FAILURE() << box.text;
    EXPECT_EQ(list2.items(), (std::vector<std::string>{"Everything"}));

    auto c = firebird();
    auto rs = c->openRecordset("SELECT * FROM \"Everything\" ORDER BY \"Id\"", kOpenStatic, kLockOptimistic);
    const std::vector<std::vector<Value>> expected = {
        {std::int64_t{INT64_MIN}, std::int64_t{-32768}, Floating{1.0e38f, true}, Floating{0.1, false},
         Decimal{"99999999999999.9999"}, std::int64_t{1}, std::string("it's \"x\" ''"), std::string("2014-05-20"),
         megabyte, DateTime{2014, 5, 20, 23, 59, 59, 999900000}, DateTime{2014, 5, 21, 0, 0, 0, 0},
         Bytes{0x00, 0x27, 0x00, 0xFF}, std::string("{6F9619FF-8B86-D011-B42D-00C04FC964FF}")},
        {std::int64_t{0}, std::int64_t{0}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{}, Null{},
         Null{}, Null{}},
        {std::int64_t{INT64_MAX}, Null{}, Floating{-1.5e-38f, true}, Floating{1.7976931348623157e308, false},
         Decimal{"-0.0001"}, std::int64_t{0}, std::string("Zoë ß Ωж 😀"), std::string("10:30"),
         std::string("short"), DateTime{1899, 12, 30, 10, 30, 0, 0}, Null{}, Bytes(70000, 0x00), Null{}},
    };
    for (const auto& row : expected) {
        ASSERT_FALSE(rs->eof());
        for (int j = 0; j < rs->fieldCount(); ++j) {
            EXPECT_TRUE(rs->value(j) == row[j]) << rs->field(j).name << " row " << std::get<std::int64_t>(row[0]);
        }
        rs->moveNext();
    }
    EXPECT_TRUE(rs->eof());
  }
}

// --bulk writes scaled numbers, dates, times and timestamps in their own types, converted by the
// program: on the edges of rounding, range and calendar each arrives, or is refused, exactly as the
// literal statement of the windows' path makes it.
TEST_F(TransferFirebirdTest, TypedBulkValuesAreWhatTheLiteralsMake) {
    FakeResult source;
    source.fields = {{"Id", 3, 4, 10, 0},   {"Amount", 131, 9, 9, 2}, {"Big", 131, 8, 18, 4},
                     {"Day", 133, 6, 0, 0}, {"Clock", 134, 6, 0, 0},  {"Stamp", 135, 16, 23, 3}};
    const DateTime day{2020, 2, 29}, stamp{2014, 5, 20, 23, 59, 59, 999950000};
    auto row = [&](int id, Value amount, Value big, Value d, Value clock, Value ts) {
        source.rows.push_back({std::int64_t{id}, amount, big, d, clock, ts});
    };
    row(1, Decimal{"1.235"}, Decimal{"-922337203685477.5808"}, day, DateTime{1899, 12, 30, 10, 11, 12, 123456789},
        stamp);
    row(2, Decimal{"-1.235"}, Decimal{"0.00005"}, DateTime{1, 1, 1}, DateTime{1899, 12, 30}, DateTime{1, 1, 1});
    row(3, Decimal{"-0.004"}, Decimal{"-0.00005"}, DateTime{9999, 12, 31}, Null{}, DateTime{9999, 12, 31, 23, 59, 59, 999900000});
    row(4, Decimal{"21474836.48"}, Null{}, Null{}, Null{}, Null{});                   // past the storage: refused
    row(5, Null{}, Decimal{"922337203685477.58075"}, Null{}, Null{}, Null{});          // rounds past it: refused
    row(6, Null{}, Null{}, DateTime{2020, 2, 29, 10, 0, 0, 0}, Null{}, Null{});       // a DATE with a time: refused
    row(7, std::string("1e2"), std::int64_t{-7}, Null{}, Null{}, DateTime{1899, 12, 30});
    sendToFirebird("Literal", source);
    EXPECT_EQ(ui.boxes.size(), 3u) << reports();
    const auto literal = rows("SELECT * FROM \"Literal\" ORDER BY \"Id\"");
    ASSERT_EQ(literal.size(), 4u) << "rows 4, 5 and 6 refused";
    for (const size_t blockRows : {size_t{0}, size_t{255}, size_t{2}}) {  // a row at a time, one block, blocks of two
        SCOPED_TRACE("blocks of " + std::to_string(blockRows));
        useDatabase("bulk" + std::to_string(blockRows) + ".fdb");
        list2.clear();
        ui.boxes.clear();
        sendToFirebird("Literal", source, true, blockRows);
        EXPECT_EQ(ui.boxes.size(), 3u) << reports();
        const auto bulk = rows("SELECT * FROM \"Literal\" ORDER BY \"Id\"");
        ASSERT_EQ(bulk.size(), literal.size());
        for (size_t i = 0; i < literal.size(); ++i)
            for (size_t j = 0; j < literal[i].size(); ++j)
                EXPECT_TRUE(bulk[i][j] == literal[i][j]) << "row " << i << " column " << j;
    }
    EXPECT_TRUE(literal[0][1] == Value(Decimal{"1.24"}));
}

// A block that Firebird refuses is written again row by row: exactly its refused rows are reported,
// by their numbers, and every other row stands. Row 2 is refused before it leaves (a DATE with a time
// of day), row 6 by the engine (four characters in a column of three); row 8's blanks beyond the
// three are dropped, as a literal's are. A row at a time (as into the embedded engine), in blocks of
// three, of four and of every row.
TEST_F(TransferFirebirdTest, ABlockCostsOnlyItsRefusedRows) {
    FakeResult source;
    source.fields = {{"Id", 3, 4, 10, 0}, {"Day", 133, 6, 0, 0}, {"Code", 200, 3, 255, 0}};
    for (int i = 1; i <= 10; ++i)
        source.rows.push_back({std::int64_t{i}, i == 2 ? DateTime{2020, 2, 29, 10, 0, 0, 0} : DateTime{2020, 2, 29},
                               std::string(i == 6 ? "four" : i == 8 ? "ok    " : "ok")});
    sqlServer.results["SELECT * FROM [Days]"] = source;
    for (const size_t blockRows : {size_t{0}, size_t{3}, size_t{4}, size_t{255}}) {
        SCOPED_TRACE("blocks of " + std::to_string(blockRows));
        useDatabase("days" + std::to_string(blockRows) + ".fdb");
        list2.clear();
        RecordingObserver observer(ui, "");
        CopyThroughEngine(db, logins, {.toFirebird = true, .bulk = true, .blockRows = blockRows}, list2,
                          {"Days"}, observer);
        std::vector<long long> reported;
        for (const auto& failure : observer.failures) reported.push_back(failure.row);
        EXPECT_EQ(reported, (std::vector<long long>{2, 6}));
        ASSERT_EQ(observer.outcomes.size(), 1u);
        EXPECT_EQ(observer.outcomes[0].rowsWritten, 8);
        EXPECT_EQ(observer.outcomes[0].rowsRefused, 2);
        EXPECT_EQ(observer.outcomes[0].ending, TableOutcome::kComplete);
        const auto ids = rows("SELECT \"Id\" FROM \"Days\" ORDER BY 1");
        std::vector<Value> expected;
        for (int i : {1, 3, 4, 5, 7, 8, 9, 10}) expected.push_back(std::int64_t{i});
        std::vector<Value> stood;
        for (const auto& row : ids) stood.push_back(row[0]);
        EXPECT_EQ(stood, expected);
    }
}

// The block names its table and columns in its markers' types (TYPE OF COLUMN) as well as in its
// INSERTs: names with quotes, blanks and letters of any script arrive in blocks as a row at a time.
TEST_F(TransferFirebirdTest, NamesOfAnyKindGoInBlocks) {
    FakeResult source;
    source.fields = {{"Id", 3, 4, 10, 0}, {"Zoë \"q\" 日本", 202, 20, 255, 0}, {"a.b", 131, 9, 9, 2}};
    for (int i = 1; i <= 5; ++i)
        source.rows.push_back({std::int64_t{i}, "v" + std::to_string(i) + " Ω", Decimal{std::to_string(i) + ".25"}});
    sendToFirebird("Odd \"Table\" Ünï", source, true, 2);
    EXPECT_EQ(reports(), "");
    const auto got = rows("SELECT * FROM \"Odd \"\"Table\"\" Ünï\" ORDER BY 1");
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[4][1], Value(std::string("v5 Ω")));
    EXPECT_EQ(got[4][2], Value(Decimal{"5.25"}));
    // The block as the engine takes it: one it refused to prepare would leave its rows to go one
    // by one, unseen.
    FirebirdBlockShape shape;
    shape.table = FirebirdNameFor("Odd \"Table\" Ünï", 3);
    for (const auto& f : source.fields) shape.columns.push_back(FirebirdNameFor(f.name, 3));
    auto c = firebird();
    EXPECT_NO_THROW(c->prepare(FirebirdBlockInsert(shape, 2)));
    c->close();
}

// A stop in the middle of a block writes the rows already read, and says how many stand.
TEST_F(TransferFirebirdTest, AStopInTheMiddleOfABlockWritesTheRowsRead) {
    FakeResult source;
    source.fields = {{"Id", 3, 4, 10, 0}};
    for (int i = 1; i <= 10; ++i) source.rows.push_back({std::int64_t{i}});
    sqlServer.results["SELECT * FROM [Counted]"] = source;
    RecordingObserver observer(ui, "");
    observer.onRow = [&](long long done) {
        if (done == 6) observer.stop.request();
    };
    CopyThroughEngine(db, logins, {.toFirebird = true, .bulk = true, .blockRows = 4}, list2, {"Counted"},
                      observer);
    ASSERT_EQ(observer.outcomes.size(), 1u);
    EXPECT_EQ(observer.outcomes[0].ending, TableOutcome::kStopped);
    EXPECT_EQ(observer.outcomes[0].rowsRead, 6);
    EXPECT_EQ(observer.outcomes[0].rowsWritten, 6);
    EXPECT_EQ(rows("SELECT \"Id\" FROM \"Counted\"").size(), 6u);
}

// Rows go in one transaction, yet a row that Firebird refuses costs only itself.
// DECIMAL(38,10) into Firebird 3, whose NUMERIC holds 18 digits: as NUMERIC(18,10) where the
// largest value leaves room for every scale digit, else as exact text. No value is refused.
TEST_F(TransferFirebirdTest, NumbersOfMoreDigitsThanFirebirdHoldsArriveWhole) {
    FakeResult source;
    source.fields = {{"Id", 3, 4, 10, 0}, {"Amount", 131, 17, 38, 10}};
    const std::vector<std::string> small = {"12345678.0123456789", "-0.0000000001", "0"};
    const std::vector<std::string> large = {"1234567890123456789012345678.0123456789",
                                            "-9999999999999999999999999999.9999999999", "0.5"};
    scriptWideNumbers("Measured", {"Amount"}, {Decimal{"12345678.0123456789"}});
    for (size_t i = 0; i < small.size(); ++i) source.rows.push_back({std::int64_t(i), Decimal{small[i]}});
    sendToFirebird("Measured", source);
    source.rows.clear();
    for (size_t i = 0; i < large.size(); ++i) source.rows.push_back({std::int64_t(i), Decimal{large[i]}});
    sendToFirebird("Unmeasured", source);
    for (const auto& box : ui.boxes) ADD_FAILURE() << box.text;

    const auto measured = rows("SELECT \"Amount\" FROM \"Measured\" ORDER BY \"Id\"");
    const std::vector<std::string> padded = {"12345678.0123456789", "-0.0000000001", "0.0000000000"};
    ASSERT_EQ(measured.size(), small.size());
    for (size_t i = 0; i < small.size(); ++i) EXPECT_EQ(measured[i][0], Value(Decimal{padded[i]})) << i;
    const auto text = rows("SELECT \"Amount\" FROM \"Unmeasured\" ORDER BY \"Id\"");
    ASSERT_EQ(text.size(), large.size());
    for (size_t i = 0; i < large.size(); ++i) EXPECT_EQ(text[i][0], Value(large[i])) << i;
}

// Old databases are of dialect 1: no quoted names, no BIGINT, DATE with a time of day. A table
// whose names fit is created there; one whose names do not is refused once, naming the dialect.
TEST_F(TransferFirebirdTest, ADialectOneDatabaseTakesWhatItCanHold) {
    useDatabase("dialect1.fdb", 1);
    FakeResult source;
    source.fields = {{"ID", 20, 8, 19, 0}, {"NAME", 202, 20, 255, 0}, {"PRICE", 131, 9, 12, 2},
                     {"SEEN", 135, 16, 23, 3}, {"BORN", 133, 10, 255, 0}};
    source.rows = {{std::int64_t{123456789012345}, std::string("Zoë"), Decimal{"1234567890.12"},
                    DateTime{2014, 5, 20, 10, 30, 0, 0}, DateTime{1970, 1, 1, 0, 0, 0, 0}},
                   {std::int64_t{-1}, Null{}, Decimal{"-0.01"}, Null{}, Null{}}};
    scriptWideNumbers("ITEMS", {"ID", "PRICE"}, {std::int64_t{123456789012345}, Decimal{"1234567890.12"}}, 9);
    sendToFirebird("ITEMS", source);
    EXPECT_EQ(reports(), "");
    const auto got = rows("SELECT ID, NAME, PRICE, SEEN, BORN FROM ITEMS ORDER BY ID");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1][0], Value(Floating{123456789012345.0, false}));
    EXPECT_EQ(got[1][1], Value(std::string("Zoë")));
    EXPECT_EQ(got[1][3], Value(DateTime{2014, 5, 20, 10, 30, 0, 0}));
    EXPECT_EQ(got[1][4], Value(DateTime{1970, 1, 1, 0, 0, 0, 0}));

    sendToFirebird("Mixed Case", source);  // its name cannot be written bare
    sendToFirebird("UNMEASURED", source);  // ID could hold more than 15 digits
    ASSERT_EQ(ui.boxes.size(), 2u) << reports();
    EXPECT_NE(ui.boxes[0].text.find("dialect 1"), std::string::npos) << ui.boxes[0].text;
    EXPECT_NE(ui.boxes[1].text.find("dialect 1"), std::string::npos) << ui.boxes[1].text;
    EXPECT_EQ(list2.items(), (std::vector<std::string>{"ITEMS"}));

    // --bulk in blocks, whose markers take the columns' types by their bare names, writes the same.
    useDatabase("dialect1-blocks.fdb", 1);
    ui.boxes.clear();
    list2.clear();
    sendToFirebird("ITEMS", source, true, 2);
    EXPECT_EQ(reports(), "");
    EXPECT_EQ(rows("SELECT ID, NAME, PRICE, SEEN, BORN FROM ITEMS ORDER BY ID"), got);
}

TEST_F(TransferFirebirdTest, ARefusedRowCostsOnlyItself) {
    FakeResult source;
    source.fields = {{"ID", 3, 4, 10, 0}, {"AMOUNT", 131, 8, 18, 2}};
    for (int i = 1; i <= 5; ++i)
        source.rows.push_back({std::int64_t{i}, Decimal{i == 3 ? "123456789012345678901.00" : std::to_string(i) + ".50"}});
    sqlServer.results["SELECT * FROM [Amounts]"] = source;
    select(list1, "Amounts");
    SendToFirebird(db, ui, logins, controls(), guard).PushButton3_Click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("at line 318"), std::string::npos) << ui.boxes[0].text;

    auto c = firebird();
    auto rs = c->openRecordset("SELECT ID FROM \"Amounts\" ORDER BY ID", kOpenStatic, kLockOptimistic);
    std::vector<std::int64_t> ids;
    for (; !rs->eof(); rs->moveNext()) ids.push_back(std::get<std::int64_t>(rs->value(0)));
    EXPECT_EQ(ids, (std::vector<std::int64_t>{1, 2, 4, 5}));
}

// Firebird values as the SQL Server statements carry them.
TEST_F(TransferFirebirdTest, FirebirdValuesBecomeSqlServerStatements) {
    {
        auto c = firebird();
        c->execute("CREATE TABLE \"a\"\"b\" (ID BIGINT, PRICE NUMERIC(18,4), NAME VARCHAR(20) CHARACTER SET UTF8, "
                   "RAW BLOB SUB_TYPE BINARY, F FLOAT, TS TIMESTAMP)");
        c->execute("INSERT INTO \"a\"\"b\" VALUES (9223372036854775807, -12.3400, 'Zoë''s', x'00FF', 0.1, "
                   "'2014-05-20 10:30:00.5')");
        c->close();
    }
    select(list2, "a\"b");
    SendToSqlServer(db, ui, logins, controls(), guard).PushButton4_Click();
    for (const auto& box : ui.boxes) ADD_FAILURE() << box.text;
    EXPECT_EQ(sqlServer.calls("execute"),
              (std::vector<std::string>{
                  "execute CREATE TABLE [a\"b]([ID] BIGINT,[PRICE] DECIMAL(19,4),[NAME] NVARCHAR(MAX),[RAW] VARBINARY(MAX),"
                  "[F] REAL,[TS] NVARCHAR(MAX));",
                  "execute INSERT INTO [a\"b] VALUES('9223372036854775807', '-12.34', N'Zoë''s', 0x00FF, '0.1', "
                  "'05/20/2014 10:30:00.5')"}));
    EXPECT_EQ(list1.items(), (std::vector<std::string>{"a\"b"}));
}

// A table of the same name that the list does not show (made since the list was filled, or one
// the list hides): the CREATE is refused, once, and its rows are left as they were.
TEST_F(TransferFirebirdTest, ATableTheListDoesNotShowIsLeftAlone) {
    {
        auto c = firebird();
        c->execute("CREATE TABLE \"Orders\" (\"ID\" INTEGER)");
        for (int i = 1; i <= 5; ++i) c->execute("INSERT INTO \"Orders\" VALUES (" + std::to_string(i) + ")");
    }
    FakeResult source;
    source.fields = {{"ID", 3, 4, 10, 0}};
    for (int i = 100; i < 140; ++i) source.rows.push_back({std::int64_t{i}});
    sendToFirebird("Orders", source);
    ASSERT_EQ(ui.boxes.size(), 1u) << reports();
    EXPECT_NE(reports().find("Orders was not copied: no rows were sent to it."), std::string::npos) << reports();
    EXPECT_EQ(rows("SELECT COUNT(*) FROM \"Orders\"").at(0).at(0), Value(std::int64_t{5}));
}

}  // namespace
}  // namespace tess
