// What the adapters report per column decides the target types, so it must match what ADO reported.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

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

TEST(OdbcDecimals, ArePlainWithEveryDigitOfTheScale) {
    struct Case {
        const char* driver;
        int scale;
        const char* text;
    } cases[] = {{"12.5", 4, "12.5000"}, {".5", 2, "0.50"},  {"-.5", 1, "-0.5"},
                 {"7", 2, "7.00"},       {"-3", 0, "-3"},    {"922337203685477.5807", 4, "922337203685477.5807"},
                 {"", 2, ""}};
    for (const auto& c : cases) EXPECT_EQ(NormaliseDecimal(c.driver, c.scale), c.text) << c.driver;
}

}  // namespace
}  // namespace tess
