#include "platform/odbc/driver_resolution.h"

#include <gtest/gtest.h>

namespace tess {
namespace {

const std::string kText = "Driver={SQL Server};Server=SRV,1433;Database=Sales;Uid=sa;Pwd={p;w};";

TEST(ResolveSqlServerDriver, SubstitutesTheFirstInstalledDriver) {
    struct Case {
        std::vector<std::string> installed;
        std::optional<std::string> text;
    } cases[] = {
        {{"SQL Server", "FreeTDS"}, kText},
        {{"sql server"}, kText},
        {{"FreeTDS", "ODBC Driver 17 for SQL Server"},
         "Driver={ODBC Driver 17 for SQL Server};Server=SRV,1433;Database=Sales;Uid=sa;Pwd={p;w};"},
        {{"SQLite3", "FreeTDS"},
         "Driver={FreeTDS};Server=SRV,1433;Database=Sales;Uid=sa;Pwd={p;w};ClientCharset=UTF-8;"},
        {{"ODBC Driver 17 for SQL Server", "ODBC Driver 18 for SQL Server"},
         "Driver={ODBC Driver 18 for SQL Server};Server=SRV,1433;Database=Sales;Uid=sa;Pwd={p;w};"},
        {{"SQLite3"}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveSqlServerDriver(kText, c.installed), c.text);
}

TEST(ResolveSqlServerDriver, LeavesOtherDriversAlone) {
    const std::string text = "Driver={SQLite3};Database=/tmp/x.db;";
    EXPECT_EQ(ResolveSqlServerDriver(text, {}), text);
}

}  // namespace
}  // namespace tess
