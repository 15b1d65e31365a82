// What the adapters report per column decides the target types, so it must match what ADO reported.
#include <gtest/gtest.h>
#include <ibase.h>
#include <sql.h>
#include <sqlext.h>

#include "platform/firebird/fb_types.h"
#include "platform/odbc/odbc_types.h"

namespace tess {
namespace {

TEST(OdbcColumnTypes, MapToAdoNumbers) {
    struct Case {
        int sqlType;
        unsigned long long size;
        int digits;
        int adoType;
        long long definedSize;
        int precision, scale;
    } cases[] = {
        {SQL_BIT, 1, 0, 11, 2, 255, 0},
        {SQL_TINYINT, 3, 0, 17, 1, 3, 0},
        {SQL_SMALLINT, 5, 0, 2, 2, 5, 0},
        {SQL_INTEGER, 10, 0, 3, 4, 10, 0},
        {SQL_BIGINT, 19, 0, 20, 8, 19, 0},
        {SQL_DECIMAL, 19, 4, 131, 19, 19, 4},
        {SQL_NUMERIC, 38, 10, 131, 38, 38, 10},
        {SQL_REAL, 24, 0, 4, 4, 7, 0},
        {SQL_FLOAT, 53, 0, 5, 8, 15, 0},
        {SQL_DOUBLE, 53, 0, 5, 8, 15, 0},
        {SQL_CHAR, 10, 0, 129, 10, 255, 0},
        {SQL_VARCHAR, 50, 0, 200, 50, 255, 0},
        {SQL_VARCHAR, 0, 0, 201, 2147483647, 255, 0},
        {SQL_LONGVARCHAR, 2147483647, 0, 201, 2147483647, 255, 0},
        {SQL_WCHAR, 10, 0, 130, 10, 255, 0},
        {SQL_WVARCHAR, 40, 0, 202, 40, 255, 0},
        {SQL_WVARCHAR, 0, 0, 203, 1073741823, 255, 0},
        {SQL_WLONGVARCHAR, 1073741823, 0, 203, 1073741823, 255, 0},
        {SQL_BINARY, 16, 0, 128, 16, 255, 0},
        {SQL_VARBINARY, 100, 0, 204, 100, 255, 0},
        {SQL_VARBINARY, 0, 0, 205, 2147483647, 255, 0},
        {SQL_LONGVARBINARY, 2147483647, 0, 205, 2147483647, 255, 0},
        {SQL_TYPE_DATE, 10, 0, 133, 10, 255, 0},
        {SQL_TYPE_TIME, 8, 0, 134, 8, 255, 0},
        {kSqlSsTime2, 16, 7, 134, 16, 255, 0},
        {SQL_TYPE_TIMESTAMP, 23, 3, 135, 16, 23, 3},
        {SQL_GUID, 36, 0, 72, 36, 255, 0},
    };
    for (const auto& c : cases) {
        FieldInfo f = AdoFieldFromOdbc("c", c.sqlType, c.size, c.digits);
        EXPECT_EQ(f.type, c.adoType) << c.sqlType;
        EXPECT_EQ(f.definedSize, c.definedSize) << c.sqlType;
        EXPECT_EQ(f.precision, c.precision) << c.sqlType;
        EXPECT_EQ(f.numericScale, c.scale) << c.sqlType;
    }
}

TEST(FirebirdColumnTypes, MapToAdoNumbers) {
    struct Case {
        FirebirdColumnShape shape;
        int adoType;
        long long definedSize;
        int precision, scale;
    } cases[] = {
        {{SQL_SHORT, 0, 2, 0, 0, 1, 0}, 2, 2, 5, 0},
        {{SQL_LONG, 0, 4, 0, 0, 1, 0}, 3, 4, 10, 0},
        {{SQL_INT64, 0, 8, 0, 0, 1, 0}, 20, 8, 19, 0},
        {{SQL_INT64, 1, 8, -4, 0, 1, 18}, 131, 8, 18, 4},
        {{SQL_LONG, 2, 4, -2, 0, 1, 9}, 14, 4, 9, 2},
        {{SQL_SHORT, 1, 2, -1, 0, 1, 0}, 131, 2, 4, 1},
        {{SQL_FLOAT, 0, 4, 0, 0, 1, 0}, 4, 4, 7, 0},
        {{SQL_DOUBLE, 0, 8, 0, 0, 1, 0}, 5, 8, 15, 0},
        {{SQL_TEXT, 0, 10, 0, kCsNone, 1, 0}, 129, 10, 255, 0},
        {{SQL_VARYING, 0, 40, 0, kCsUtf8, 4, 0}, 202, 10, 255, 0},
        {{SQL_TEXT, 0, 12, 0, kCsUtf8, 4, 0}, 130, 3, 255, 0},
        {{SQL_VARYING, 0, 30, 0, kCsUnicodeFss, 3, 0}, 202, 10, 255, 0},
        {{SQL_TEXT, 0, 16, 0, kCsOctets, 1, 0}, 128, 16, 255, 0},
        {{SQL_VARYING, 0, 16, 0, kCsOctets, 1, 0}, 204, 16, 255, 0},
        {{SQL_BLOB, 1, 8, 0, 0, 1, 0}, 201, 2147483647, 255, 0},
        {{SQL_BLOB, 0, 8, 0, 0, 1, 0}, 205, 2147483647, 255, 0},
        {{SQL_TYPE_DATE, 0, 4, 0, 0, 1, 0}, 133, 6, 255, 0},
        {{SQL_TYPE_TIME, 0, 4, 0, 0, 1, 0}, 134, 6, 255, 0},
        {{SQL_TIMESTAMP, 0, 8, 0, 0, 1, 0}, 135, 16, 255, 4},
        {{SQL_BOOLEAN, 0, 1, 0, 0, 1, 0}, 11, 2, 255, 0},
    };
    for (const auto& c : cases) {
        FieldInfo f = AdoFieldFromFirebird("c", c.shape);
        EXPECT_EQ(f.type, c.adoType) << c.shape.type;
        EXPECT_EQ(f.definedSize, c.definedSize) << c.shape.type;
        EXPECT_EQ(f.precision, c.precision) << c.shape.type;
        EXPECT_EQ(f.numericScale, c.scale) << c.shape.type;
    }
}

TEST(FirebirdValues, ScaledIntegersStayExact) {
    struct Case {
        long long value;
        int scale;
        const char* text;
    } cases[] = {{123456, -4, "12.3456"},           {-5, -4, "-0.0005"},   {0, -2, "0.00"},
                 {999999999999999999LL, -4, "99999999999999.9999"}, {7, 0, "7"}, {12, 2, "1200"},
                 {INT64_MIN, -4, "-922337203685477.5808"}};
    for (const auto& c : cases) EXPECT_EQ(ScaledIntegerText(c.value, c.scale), c.text);
}

}  // namespace
}  // namespace tess
