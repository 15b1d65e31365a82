#include "catalogue/ado_type_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace tess {
namespace {

TEST(AdoTypeName, NamesEveryMemberOfTheEnumeration) {
    const std::pair<int, const char*> expected[] = {
        {0, "adEmpty"}, {2, "adSmallInt"}, {3, "adInteger"}, {4, "adSingle"}, {5, "adDouble"}, {6, "adCurrency"},
        {7, "adDate"}, {8, "adBSTR"}, {9, "adIDispatch"}, {10, "adError"}, {11, "adBoolean"}, {12, "adVariant"},
        {13, "adIUnknown"}, {14, "adDecimal"}, {16, "adTinyInt"}, {17, "adUnsignedTinyInt"},
        {18, "adUnsignedSmallInt"}, {19, "adUnsignedInt"}, {20, "adBigInt"}, {21, "adUnsignedBigInt"},
        {64, "adFileTime"}, {72, "adGUID"}, {128, "adBinary"}, {129, "adChar"}, {130, "adWChar"},
        {131, "adNumeric"}, {132, "adUserDefined"}, {133, "adDBDate"}, {134, "adDBTime"}, {135, "adDBTimeStamp"},
        {136, "adChapter"}, {138, "adPropVariant"}, {139, "adVarNumeric"}, {200, "adVarChar"},
        {201, "adLongVarChar"}, {202, "adVarWChar"}, {203, "adLongVarWChar"}, {204, "adVarBinary"},
        {205, "adLongVarBinary"},
    };
    int named = 0;
    for (int n = -32768; n <= 32767; ++n) {
        auto name = AdoTypeName(static_cast<std::int16_t>(n));
        auto row = std::find_if(std::begin(expected), std::end(expected), [&](auto& e) { return e.first == n; });
        if (row == std::end(expected)) {
            EXPECT_FALSE(name.has_value()) << n;
        } else {
            ASSERT_TRUE(name.has_value()) << n;
            EXPECT_EQ(*name, row->second);
            ++named;
        }
    }
    EXPECT_EQ(named, 39);
}

}  // namespace
}  // namespace tess
