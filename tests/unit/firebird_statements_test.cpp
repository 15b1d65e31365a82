#include <gtest/gtest.h>

#include "transfer/wide_numbers.h"

#include "transfer/firebird_insert.h"
#include "transfer/firebird_mapping.h"

namespace tess {
namespace {

SourceColumn Column(const char* name, int type, long long size = 0, int precision = 0, int scale = 0) {
    return {name, type, size, precision, scale};
}

TEST(MapColumnsToFirebird, TheOrdersExample) {
    FirebirdTargetFacts facts;
    facts.wholeDigits["Amount"] = 6;
    const auto d = MapColumnsToFirebird("Orders", {Column("OrderID", 3), Column("Customer", 202, 40),
                                                   Column("Amount", 131, 19, 19, 4), Column("Placed", 135),
                                                   Column("Flag", 11)}, facts);
    // Money arrives as 19,4; Firebird 3 takes 18 digits, which its largest amount leaves room for.
    EXPECT_EQ(d.createStatement,
              "CREATE TABLE \"Orders\"(\"OrderID\" INTEGER,\"Customer\" BLOB SUB_TYPE TEXT,\"Amount\" NUMERIC(18,4),"
              "\"Placed\" TIMESTAMP,\"Flag\" SMALLINT)");
    EXPECT_EQ(d.numeric, (std::vector<bool>{true, false, true, false, true}));
}

// More digits than Firebird 3's NUMERIC holds: the source's largest value decides, and no value
// is refused or rounded. Firebird 4 takes 38 digits.
TEST(MapColumnsToFirebird, NumbersOfMoreDigitsThanTheTargetHolds) {
    struct Case {
        int precision, scale;
        int wholeDigits;  // of the largest value; -1: not measured
        int engine;
        const char* type;
        bool numeric;
    } cases[] = {
        {38, 10, 8, 3, "NUMERIC(18,10)", true},  // fits with every scale digit
        {38, 10, 9, 3, "VARCHAR(40)", false},    // 123456789.0123456789 would need 19
        {38, 10, -1, 3, "VARCHAR(40)", false},   // not measured
        {19, 4, 14, 3, "NUMERIC(18,4)", true},
        {19, 4, 15, 3, "VARCHAR(21)", false},
        {38, 0, 0, 3, "NUMERIC(18,0)", true},    // an empty table
        {18, 4, -1, 3, "NUMERIC(18,4)", true},
        {38, 10, -1, 4, "NUMERIC(38,10)", true},
        {30, 2, -1, 5, "NUMERIC(30,2)", true},
    };
    for (const auto& c : cases) {
        FirebirdTargetFacts facts;
        facts.engineMajorVersion = c.engine;
        if (c.wholeDigits >= 0) facts.wholeDigits["n"] = c.wholeDigits;
        const auto d = MapColumnsToFirebird("t", {Column("n", 131, 17, c.precision, c.scale)}, facts);
        EXPECT_EQ(d.createStatement, std::string("CREATE TABLE \"t\"(\"n\" ") + c.type + ")") << c.precision;
        EXPECT_EQ(d.numeric, std::vector<bool>{c.numeric}) << c.precision;
    }
}

TEST(MapColumnsToFirebird, EveryAdoType) {
    struct Case {
        SourceColumn column;
        const char* type;
        bool numeric;
    } cases[] = {
        {Column("c", 202, 10), "BLOB SUB_TYPE TEXT", false},
        {Column("c", 203, 1073741823), "BLOB SUB_TYPE TEXT", false},
        {Column("c", 201, 2147483647), "BLOB SUB_TYPE TEXT", false},
        {Column("c", 201, 100), "VARCHAR(100)", false},
        {Column("c", 128, 16), "BLOB SUB_TYPE BINARY", false},
        {Column("c", 204, 100), "BLOB SUB_TYPE BINARY", false},
        {Column("c", 205, 2147483647), "BLOB SUB_TYPE BINARY", false},
        {Column("c", 5), "DOUBLE PRECISION", true},
        {Column("c", 4), "FLOAT", true},
        {Column("c", 2), "SMALLINT", true},
        {Column("c", 16), "SMALLINT", true},
        {Column("c", 17), "SMALLINT", true},
        {Column("c", 18), "SMALLINT", true},
        {Column("c", 3), "INTEGER", true},
        {Column("c", 19), "BIGINT", true},
        {Column("c", 20), "BIGINT", true},
        {Column("c", 21), "BIGINT", true},
        {Column("c", 6, 8, 19, 4), "NUMERIC(18,4)", true},
        {Column("c", 131, 10, 10, 2), "NUMERIC(10,2)", true},
        {Column("c", 139, 10, 38, 10), "VARCHAR(40)", false},  // not measured: exact text
        {Column("c", 14, 10, 9, 2), "DECIMAL(9,2)", true},
        {Column("c", 131, 0, 0, 0), "NUMERIC(18,0)", true},
        {Column("c", 7), "DATE", false},
        {Column("c", 133), "DATE", false},
        {Column("c", 135), "TIMESTAMP", false},
        {Column("c", 11), "SMALLINT", true},
        {Column("c", 72, 16), "VARCHAR(38)", false},
        {Column("c", 129, 10), "VARCHAR(10)", false},
        {Column("c", 130, 10), "VARCHAR(10)", false},
        {Column("c", 200, 50), "VARCHAR(50)", false},
        {Column("c", 200, 8191), "VARCHAR(8191)", false},
        {Column("c", 200, 8192), "BLOB SUB_TYPE TEXT", false},
        {Column("c", 200, 0), "BLOB SUB_TYPE TEXT", false},
        {Column("c", 134, 16), "VARCHAR(24)", false},  // room for the zero date the time is written on
        {Column("c", 134, 40), "VARCHAR(40)", false},
        {Column("c", 0, 5), "VARCHAR(5)", false},
        {Column("c", 999, 5), "VARCHAR(5)", false},
        {Column("c", 8, 5), "VARCHAR(5)", false},   // adBSTR: named, but no type of its own
        {Column("c", -2, 5), "VARCHAR(5)", false},
    };
    for (const auto& c : cases) {
        const auto d = MapColumnsToFirebird("t", {c.column});
        EXPECT_EQ(d.createStatement, std::string("CREATE TABLE \"t\"(\"c\" ") + c.type + ")") << c.column.type;
        EXPECT_EQ(d.numeric, std::vector<bool>{c.numeric}) << c.column.type;
    }
}

TEST(MapColumnsToFirebird, NamesCannotEndTheirQuoting) {
    const auto d = MapColumnsToFirebird("a\"b", {Column("x\" INTEGER); DROP TABLE \"T", 3)});
    EXPECT_EQ(d.createStatement, "CREATE TABLE \"a\"\"b\"(\"x\"\" INTEGER); DROP TABLE \"\"T\" INTEGER)");
}

TEST(MapColumnsToFirebird, WideRowsMoveTheirWidestTextToBlobs) {
    std::vector<SourceColumn> columns(5, Column("c", 200, 4000));  // 5 x 16002 bytes: more than a row holds
    const auto d = MapColumnsToFirebird("t", columns);
    size_t blobs = 0;
    for (size_t at = d.createStatement.find("BLOB"); at != std::string::npos; at = d.createStatement.find("BLOB", at + 1))
        ++blobs;
    EXPECT_EQ(blobs, 1u) << d.createStatement;  // four VARCHAR(4000) of UTF-8 fit in 64 KB
}

// On a database whose default cannot hold every character, every text column we create names
// UTF8 and still counts characters; nothing else changes.
TEST(MapColumnsToFirebird, TextColumnsNameUtf8WhereTheDefaultCannotHoldIt) {
    const auto limited = FirebirdDefaultCharacterSet::Limited;
    const auto d = MapColumnsToFirebird("t", {Column("a", 200, 50), Column("b", 202, 10), Column("c", 200, 9000),
                                              Column("d", 3), Column("e", 205), Column("f", 72, 16)},
                                        limited);
    EXPECT_EQ(d.createStatement,
              "CREATE TABLE \"t\"(\"a\" VARCHAR(50) CHARACTER SET UTF8,\"b\" BLOB SUB_TYPE TEXT CHARACTER SET UTF8,"
              "\"c\" BLOB SUB_TYPE TEXT CHARACTER SET UTF8,\"d\" INTEGER,\"e\" BLOB SUB_TYPE BINARY,"
              "\"f\" VARCHAR(38) CHARACTER SET UTF8)");
    for (const char* name : {"NONE", "WIN1252", "UNICODE_FSS", "ISO8859_1", "OCTETS"})
        EXPECT_EQ(ClassifyFirebirdCharacterSet(name), limited) << name;
    EXPECT_EQ(ClassifyFirebirdCharacterSet("UTF8"), FirebirdDefaultCharacterSet::HoldsAnyText);
}

TEST(MapColumnsToFirebird, NamesLongerThanFirebirdTakesAreRefused) {
    const std::string thirtyOne(31, 'n'), thirtyTwo(32, 'n');
    EXPECT_NO_THROW(MapColumnsToFirebird(thirtyOne, {Column(thirtyOne.c_str(), 3)}));
    EXPECT_THROW(MapColumnsToFirebird(thirtyTwo, {Column("c", 3)}), TableRefused);
    EXPECT_THROW(MapColumnsToFirebird("t", {Column(thirtyTwo.c_str(), 3)}), TableRefused);
    EXPECT_THROW(MapColumnsToFirebird("t", {Column("日本語日本語日本語日本語", 3)}), TableRefused);  // 12 characters, 36 bytes
    // Firebird 4 counts 63 characters.
    FirebirdTargetFacts four;
    four.engineMajorVersion = 4;
    const std::string sixtyThree(63, 'n'), sixtyFour(64, 'n');
    EXPECT_NO_THROW(MapColumnsToFirebird(sixtyThree, {Column("日本語日本語日本語日本語", 3)}, four));
    EXPECT_THROW(MapColumnsToFirebird(sixtyFour, {Column("c", 3)}, four), TableRefused);
}

TEST(FirebirdRecordBytes, NullBitmapAndAlignment) {
    EXPECT_EQ(FirebirdRecordBytes({}), 0);
    EXPECT_EQ(FirebirdRecordBytes({{2, 2}}), 6);             // a 4-byte bitmap, then the column
    EXPECT_EQ(FirebirdRecordBytes({{3, 2}, {8, 8}}), 16);    // 4 + 3, up to 8, + 8
    EXPECT_EQ(FirebirdRecordBytes(std::vector<FirebirdColumnStorage>(33, {1, 1})), 8 + 33);
}

TEST(RenderFirebirdInsert, DateColumnsTakeTheZeroDateAsADate) {
    const DateTime zero{1899, 12, 30, 0, 0, 0, 0};
    EXPECT_EQ(RenderFirebirdInsert("t", {false}, {zero}, {true}).text, "INSERT INTO \"t\" VALUES('12/30/1899')");
    EXPECT_EQ(RenderFirebirdInsert("t", {false}, {zero}).text, "INSERT INTO \"t\" VALUES('12/30/1899 00:00:00')");
}

TEST(RenderFirebirdInsert, FloatsThatLiteralsWouldChangeAreParameters) {
    const Value values[] = {Floating{3.4028234663852886e38, true}, Floating{1e-45, true},
                            Floating{2.2250738585072014e-308, false}, Floating{5e-324, false},
                            Floating{-0.0, false}, Floating{-0.0, true}, Floating{1.6666666666666665, false},
                            Floating{1e300, false}, Floating{0.1 + 0.2, false}};
    for (const auto& v : values) {
        const Statement s = RenderFirebirdInsert("t", {true}, {v});
        EXPECT_EQ(s.text, "INSERT INTO \"t\" VALUES(?)");
        ASSERT_EQ(s.parameters.size(), 1u);
        EXPECT_EQ(s.parameters[0], v);
    }
    for (const auto& v : {Floating{0.0, false}, Floating{1e38, true}, Floating{0.1, false}, Floating{123456.789, false},
                          Floating{-2.5, false}, Floating{0.1f, true}})
        EXPECT_TRUE(RenderFirebirdInsert("t", {true}, {v}).parameters.empty()) << v.value;
}

const std::vector<bool> kOrdersNumeric{true, false, true, false, true};

TEST(RenderFirebirdInsert, TheOrdersExamples) {
    EXPECT_EQ(RenderFirebirdInsert("Orders", kOrdersNumeric,
                                   {std::int64_t{7}, std::string("O'Brien"), Decimal{"12.5000"},
                                    DateTime{2014, 5, 20, 13, 45, 0, 0}, true})
                  .text,
              "INSERT INTO \"Orders\" VALUES(7, 'O''Brien', 12.5, '05/20/2014 13:45:00', 1)");
    EXPECT_EQ(RenderFirebirdInsert("Orders", kOrdersNumeric,
                                   {std::int64_t{8}, Null{}, Null{}, DateTime{2014, 5, 21, 0, 0, 0, 0}, false})
                  .text,
              "INSERT INTO \"Orders\" VALUES(8, NULL, NULL, '05/21/2014', 0)");
}

TEST(RenderFirebirdInsert, Values) {
    struct Case {
        Value value;
        bool numeric;
        const char* literal;
    } cases[] = {
        {std::string(""), false, "NULL"},
        {std::string(""), true, "NULL"},
        {Null{}, false, "NULL"},
        {std::string("True"), false, "'True'"},
        {std::string("2014-05-20"), false, "'2014-05-20'"},
        {std::string("10:30"), false, "'10:30'"},
        {std::string("''"), false, "''''''"},
        {std::string("日本語 é 😀"), false, "'日本語 é 😀'"},
        {DateTime{1899, 12, 30, 10, 30, 0, 0}, false, "'12/30/1899 10:30:00'"},
        {DateTime{2014, 5, 20, 10, 30, 0, 123400000}, false, "'05/20/2014 10:30:00.1234'"},
        {Floating{0.1, false}, true, "0.1"},
        {Floating{3.1415927f, true}, true, "3.1415927"},
        {std::int64_t{-5000000000LL}, true, "-5000000000"},
        {Bytes{0x00, 0x27, 0xFF}, false, "X'0027FF'"},
        {Bytes{}, false, "NULL"},
        {std::string("anything"), true, "anything"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RenderFirebirdInsert("t", {c.numeric}, {c.value}).text,
                  std::string("INSERT INTO \"t\" VALUES(") + c.literal + ")");
}

TEST(RenderFirebirdInsert, LongValuesTravelAsParameters) {
    const std::string megabyte(1 << 20, 'x');
    const Bytes blob(40000, 0x00);
    const Statement s = RenderFirebirdInsert("t", {true, false, false, false},
                                             {std::int64_t{1}, megabyte, std::string("short"), blob});
    EXPECT_EQ(s.text, "INSERT INTO \"t\" VALUES(1, ?, 'short', ?)");
    ASSERT_EQ(s.parameters.size(), 2u);
    EXPECT_TRUE(s.parameters[0] == Value(megabyte));
    EXPECT_TRUE(s.parameters[1] == Value(blob));

    // Many values each under the literal limit, together over the statement limit.
    std::vector<Value> row(10, std::string(15000, 'y'));
    const Statement many = RenderFirebirdInsert("t", std::vector<bool>(10, false), row);
    EXPECT_LE(many.text.size(), kFirebirdMaxStatementBytes);
    EXPECT_EQ(many.parameters.size(), 10u);
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// The whole digits of a measured value decide whether NUMERIC(18) can hold a column: one short,
// and 19-digit values are refused by Firebird 3, 16-digit ones changed in dialect 1.
TEST(WholeDigits, CountsTheDigitsBeforeThePoint) {
    const struct {
        const char* value;
        int digits;
    } cases[] = {{"-123.45", 3}, {"0.5", 0},  {"-0.001", 0}, {"100", 3},   {"+7", 1},
                 {"0", 0},       {"0042", 2}, {"9223372036854775807", 19}, {"1234567890123456.78", 16}};
    for (const auto& c : cases) EXPECT_EQ(WholeDigits(c.value), c.digits) << c.value;
}

}  // namespace
}  // namespace tess
