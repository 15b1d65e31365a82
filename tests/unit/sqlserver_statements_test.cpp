#include <gtest/gtest.h>

#include "transfer/sqlserver_insert.h"
#include "transfer/sqlserver_mapping.h"

namespace tess {
namespace {

SourceColumn Column(const char* name, int type, int precision = 0, int scale = 0, long long size = 0) {
    return {name, type, size, precision, scale};
}

TEST(MapColumnsToSqlServer, TheOrdersExample) {
    EXPECT_EQ(MapColumnsToSqlServer("ORDERS", {Column("ID", 3), Column("NAME", 200), Column("PRICE", 131, 18, 4),
                                               Column("RATE", 14, 9, 2), Column("PLACED", 135), Column("WEIGHT", 5),
                                               Column("PHOTO", 205)}),
              "CREATE TABLE [ORDERS]([ID] INT,[NAME] NVARCHAR(MAX),[PRICE] DECIMAL(18,4),[RATE] DECIMAL(9,2),"
              "[PLACED] NVARCHAR(MAX),"
              "[WEIGHT] FLOAT,[PHOTO] VARBINARY(MAX));");
}

constexpr const char* kAny = "NVARCHAR(MAX)";

TEST(SqlServerColumnType, EveryAdoType) {
    struct Case {
        SourceColumn column;
        const char* type;
    } cases[] = {
        {Column("c", 2), "INT"},           {Column("c", 3), "INT"},
        {Column("c", 4), "REAL"},          {Column("c", 16), "INT"},
        {Column("c", 17), "INT"},          {Column("c", 18), "INT"},
        {Column("c", 19), "BIGINT"},       {Column("c", 20), "BIGINT"},
        {Column("c", 21), "BIGINT"},       {Column("c", 131, 18, 4), "DECIMAL(18,4)"},
        {Column("c", 139, 50, 60), "DECIMAL(38,38)"}, {Column("c", 14, 9, 2), "DECIMAL(9,2)"},
        {Column("c", 131, 0, 0), "DECIMAL(18,0)"},
        {Column("c", 5), "FLOAT"},         {Column("c", 205), "VARBINARY(MAX)"},
        {Column("c", 204), "VARBINARY(MAX)"}, {Column("c", 128), "VARBINARY(MAX)"},
        {Column("c", 129), kAny},          {Column("c", 200), kAny},
        {Column("c", 201), kAny},          {Column("c", 130), kAny},
        {Column("c", 202), kAny},          {Column("c", 203), kAny},
        {Column("c", 7), kAny},            {Column("c", 133), kAny},
        {Column("c", 135), kAny},          {Column("c", 134), kAny},
        {Column("c", 11), kAny},           {Column("c", 6), kAny},
        {Column("c", 72), kAny},           {Column("c", 999), kAny},
        // Firebird's exact numerics hold what their storage holds: 16, 32 and 64 bits.
        {Column("c", 131, 4, 2, 2), "DECIMAL(5,2)"},   {Column("c", 14, 9, 2, 4), "DECIMAL(10,2)"},
        {Column("c", 131, 18, 4, 8), "DECIMAL(19,4)"}, {Column("c", 14, 1, 0, 4), "DECIMAL(10,0)"},
    };
    for (const auto& c : cases) EXPECT_EQ(SqlServerColumnType(c.column), c.type) << c.column.type;
}

TEST(MapColumnsToSqlServer, NamesCannotEndTheirQuoting) {
    EXPECT_EQ(MapColumnsToSqlServer("a]b", {Column("x] INT); DROP TABLE [t", 3)}),
              "CREATE TABLE [a]]b]([x]] INT); DROP TABLE [t] INT);");
}

TEST(RenderSqlServerInsert, TheOrdersExamples) {
    EXPECT_EQ(RenderSqlServerInsert("ORDERS", {std::int64_t{7}, std::string("O'Brien"), Decimal{"12.5000"}, Null{}}).text,
              "INSERT INTO [ORDERS] VALUES('7', 'O''Brien', '12.5', NULL)");
    EXPECT_EQ(RenderSqlServerInsert("ORDERS", {Null{}, std::string(""), std::int64_t{0}, false}).text,
              "INSERT INTO [ORDERS] VALUES(NULL, NULL, '0', 'False')");
}

TEST(RenderSqlServerInsert, Values) {
    struct Case {
        Value value;
        const char* item;
    } cases[] = {
        {std::string(" "), "' '"},
        {std::string("it's"), "'it''s'"},
        {std::string("''"), "''''''"},
        {std::string("é"), "N'é'"},
        {std::string("日本語 'x' 😀"), "N'日本語 ''x'' 😀'"},
        {true, "'True'"},
        {Floating{-3, false}, "'-3'"},
        {DateTime{2014, 5, 20, 13, 45, 0, 500000000}, "'05/20/2014 13:45:00.5'"},
        {Bytes{0x00, 0x01, 0xFF}, "0x0001FF"},
        {Bytes{}, "NULL"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RenderSqlServerInsert("t]x", {c.value}).text, std::string("INSERT INTO [t]]x] VALUES(") + c.item + ")");
}

// 30 December 1899 is the zero date that a time of day rides on, and a date as well.
TEST(RenderSqlServerInsert, TheZeroDateIsDroppedOnlyInAColumnOfTimes) {
    const std::vector<SourceColumn> columns = {{"D", 133}, {"T", 134}, {"S", 135}};
    const std::vector<Value> row = {DateTime{1899, 12, 30, 0, 0, 0, 0}, DateTime{1899, 12, 30, 10, 30, 0, 0},
                                    DateTime{1899, 12, 30, 10, 30, 0, 0}};
    const char* expected = "INSERT INTO [t] VALUES('12/30/1899', '10:30:00', '12/30/1899 10:30:00')";
    const std::vector<std::string> texts = {"12/30/1899", "10:30:00", "12/30/1899 10:30:00"};
    EXPECT_EQ(RenderSqlServerInsert("t", row, TimeOnlyColumns(columns)).text, expected);
    const std::vector<Value> bulk = SqlServerBulkValues(row, TimeOnlyColumns(columns));
    for (size_t i = 0; i < row.size(); ++i) {
        EXPECT_EQ(bulk[i], Value(texts[i]));
        EXPECT_EQ(ValueAfterCopyToSqlServer(row[i], columns[i]), texts[i]);  // what verify expects
    }
}

// A backslash before a line break would vanish from a T-SQL literal together with the break.
TEST(RenderSqlServerInsert, LineContinuationsTravelAsParameters) {
    for (const std::string text : {"a\\\nb", "a\\\r\nb", "C:\\dir\\\n", "\\\r"}) {
        const Statement s = RenderSqlServerInsert("t", {std::int64_t{1}, text});
        EXPECT_EQ(s.text, "INSERT INTO [t] VALUES('1', ?)");
        EXPECT_EQ(s.parameters, std::vector<Value>{text});
    }
    for (const std::string text : {"a\\b", "a\n\\b", "\\ \n"})
        EXPECT_TRUE(RenderSqlServerInsert("t", {text}).parameters.empty()) << text;
}

TEST(RenderSqlServerInsert, HugeValuesTravelAsParameters) {
    const std::string huge(kSqlServerMaxStatementUtf16Bytes / 2, 'x');
    const Bytes blob(kSqlServerMaxStatementUtf16Bytes / 4, 0xAB);
    const Statement s = RenderSqlServerInsert("t", {huge, std::string("small"), blob});
    EXPECT_EQ(s.text, "INSERT INTO [t] VALUES(?, 'small', ?)");
    ASSERT_EQ(s.parameters.size(), 2u);
    EXPECT_EQ(s.parameters[0], Value(huge));
    EXPECT_EQ(s.parameters[1], Value(blob));
    // Many values each below the limit, together above it.
    const std::vector<Value> row(12, std::string(kSqlServerMaxStatementUtf16Bytes / 20, 'y'));
    const Statement many = RenderSqlServerInsert("t", row);
    EXPECT_LE(many.text.size() * 2, kSqlServerMaxStatementUtf16Bytes);
    EXPECT_FALSE(many.parameters.empty());
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// --bulk sends a decimal as one when the driver can take its digits as they stand; any other
// decimal text goes as the literal's text, which the server converts.
TEST(SqlServerBulkValues, DecimalsTheDriverTakesGoAsDecimals) {
    const std::string widest(38, '9'), tooWide(39, '9');
    const struct {
        std::string text;
        bool asDecimal;
    } cases[] = {
        {"-12.5000", true}, {"0", true}, {widest, true}, {"-" + widest.substr(1) + ".5", true},
        {tooWide, false}, {"1.5E+3", false}, {"+1.5", false}, {"1-2", false}, {"1.2.3", false},
    };
    for (const auto& c : cases) {
        const Value sent = SqlServerBulkValues({Decimal{c.text}}).at(0);
        EXPECT_EQ(std::holds_alternative<Decimal>(sent), c.asDecimal) << c.text;
    }
}

}  // namespace
}  // namespace tess
