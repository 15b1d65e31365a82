#include <gtest/gtest.h>

#include "transfer/sqlserver_insert.h"
#include "transfer/sqlserver_mapping.h"

namespace tess {
namespace {

SourceColumn Column(const char* name, int type, int precision = 0, int scale = 0) {
    return {name, type, 0, precision, scale};
}

TEST(MapColumnsToSqlServer, TheOrdersExample) {
    EXPECT_EQ(MapColumnsToSqlServer("ORDERS", {Column("ID", 3), Column("NAME", 200), Column("PRICE", 131, 18, 4),
                                               Column("RATE", 14, 9, 2), Column("PLACED", 135), Column("WEIGHT", 5),
                                               Column("PHOTO", 205)}),
              "CREATE TABLE [ORDERS]([ID] INT,[NAME] TEXT,[PRICE] DECIMAL(18,4),[RATE] DECIMAL(9,2),[PLACED] TEXT,"
              "[WEIGHT] FLOAT,[PHOTO] VARBINARY(MAX));");
}

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
        {Column("c", 129), "TEXT"},        {Column("c", 200), "TEXT"},
        {Column("c", 201), "TEXT"},        {Column("c", 130), "NTEXT"},
        {Column("c", 202), "NTEXT"},       {Column("c", 203), "NTEXT"},
        {Column("c", 7), "TEXT"},          {Column("c", 133), "TEXT"},
        {Column("c", 135), "TEXT"},        {Column("c", 134), "TEXT"},
        {Column("c", 11), "TEXT"},         {Column("c", 6), "TEXT"},
        {Column("c", 72), "TEXT"},         {Column("c", 999), "TEXT"},
    };
    for (const auto& c : cases) EXPECT_EQ(SqlServerColumnType(c.column), c.type) << c.column.type;
}

TEST(MapColumnsToSqlServer, NamesCannotEndTheirQuoting) {
    EXPECT_EQ(MapColumnsToSqlServer("a]b", {Column("x] INT); DROP TABLE [t", 3)}),
              "CREATE TABLE [a]]b]([x]] INT); DROP TABLE [t] INT);");
}

TEST(RenderSqlServerInsert, TheOrdersExamples) {
    EXPECT_EQ(RenderSqlServerInsert("ORDERS", {std::int64_t{7}, std::string("O'Brien"), Decimal{"12.5000"}, Null{}}),
              "INSERT INTO [ORDERS] VALUES('7', 'O''Brien', '12.5', NULL)");
    EXPECT_EQ(RenderSqlServerInsert("ORDERS", {Null{}, std::string(""), std::int64_t{0}, false}),
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
        EXPECT_EQ(RenderSqlServerInsert("t]x", {c.value}), std::string("INSERT INTO [t]]x] VALUES(") + c.item + ")");
}

}  // namespace
}  // namespace tess
