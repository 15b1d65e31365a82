// What the adapters report per column decides the target types, so it must match what ADO reported.
#include <gtest/gtest.h>
#include <ibase.h>

#include "platform/firebird/fb_array.h"
#include "platform/firebird/fb_types.h"

namespace tess {
namespace {

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
        {{SQL_ARRAY, 0, 8, 0, 0, 1, 0}, 203, 2147483647, 255, 0},
    };
    for (const auto& c : cases) {
        FieldInfo f = AdoFieldFromFirebird("c", c.shape);
        EXPECT_EQ(f.type, c.adoType) << c.shape.type;
        EXPECT_EQ(f.definedSize, c.definedSize) << c.shape.type;
        EXPECT_EQ(f.precision, c.precision) << c.shape.type;
        EXPECT_EQ(f.numericScale, c.scale) << c.shape.type;
    }
}

// A newer server's types (INT128 is 32752, DECFLOAT(34) 32762) are never read as empty.
TEST(FirebirdColumnTypes, AnUnknownTypeIsRefusedByName) {
    for (unsigned type : {32752u, 32762u, unsigned{SQL_QUAD}}) {
        try {
            AdoFieldFromFirebird("AMOUNT", {type, 0, 16, 0, 0, 1, 0});
            ADD_FAILURE() << type;
        } catch (const DatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find("AMOUNT"), std::string::npos) << e.what();
        }
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

// An array's text elements as "{...}" writes them: quoted where a reader would split or misread
// them, with a quote or a backslash escaped, so that the text reads back as the elements it held.
TEST(FirebirdArrays, ElementsAreQuotedAndEscaped) {
    const struct {
        Value element;
        const char* text;
    } cases[] = {
        {std::string("abc"), "abc"},
        {std::string("a b"), "\"a b\""},
        {std::string("back\\slash"), "\"back\\\\slash\""},
        {std::string("say \"hi\""), "\"say \\\"hi\\\"\""},
        {std::string("x,y"), "\"x,y\""},
        {std::string(""), "\"\""},
        {std::string("NULL"), "\"NULL\""},
        {Null{}, "NULL"},
    };
    for (const auto& c : cases) EXPECT_EQ(ArrayElementText(c.element, SQL_VARYING), c.text) << c.text;
}

}  // namespace
}  // namespace tess
