#include "platform/odbc/driver_resolution.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tess {
namespace {

const std::string kText = "Driver={SQL Server};Server=SRV,1433;Database=Sales;Uid=sa;Pwd={p;w};";

TEST(ResolveSqlServerDriver, SubstitutesTheFirstInstalledDriver) {
    const std::string tail = "Database=Sales;Uid=sa;Pwd={p;w};";
    struct Case {
        std::vector<std::string> installed;
        std::optional<std::string> text;
    } cases[] = {
        {{"SQL Server", "FreeTDS"}, kText},
        {{"sql server"}, kText},
        {{"FreeTDS", "ODBC Driver 17 for SQL Server"},
         "Driver={ODBC Driver 17 for SQL Server};Server=SRV,1433;" + tail + "Encrypt=no;TrustServerCertificate=yes;"},
        {{"SQLite3", "FreeTDS"},
         "Driver={FreeTDS};Server=SRV;Port=1433;" + tail + "ClientCharset=UTF-8;TDS_Version=7.3;"},
        {{"ODBC Driver 17 for SQL Server", "ODBC Driver 18 for SQL Server"},
         "Driver={ODBC Driver 18 for SQL Server};Server=SRV,1433;" + tail +
             "Encrypt=Optional;TrustServerCertificate=yes;"},
        {{"SQLite3"}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveSqlServerDriver(kText, c.installed), c.text);
}

TEST(ResolveSqlServerDriver, FreeTdsGetsHostAndPortApart) {
    struct Case {
        const char* server;
        const char* freeTds;
    } cases[] = {
        {"SRV", "Server=SRV;Port=1433;"},                      // the local form: SQL Server's own port
        {"SRV,1500", "Server=SRV;Port=1500;"},
        {"SRV,", "Server=SRV;Port=1433;"},                     // a bare comma names no port
        {"SRV\\SQLEXPRESS", "Server=SRV\\SQLEXPRESS;"},        // the browser service finds the port
        {"SRV\\SQLEXPRESS,1433", "Server=SRV;Port=1433;"},
        {"10.0.0.5,49172", "Server=10.0.0.5;Port=49172;"},
    };
    for (const auto& c : cases) {
        const auto text = ResolveSqlServerDriver(std::string("Driver={SQL Server};Server=") + c.server + ";Uid=sa;Pwd=;",
                                                 {"FreeTDS"});
        EXPECT_EQ(text, std::string("Driver={FreeTDS};") + c.freeTds + "Uid=sa;Pwd=;ClientCharset=UTF-8;TDS_Version=7.3;")
            << c.server;
    }
}

// Each value reaches FreeTDS byte for byte: it ends a braced value at "};" and undoubles nothing.
TEST(ResolveSqlServerDriver, FreeTdsValuesArriveIntact) {
    struct Case {
        const char* quotedForOdbc;  // as our connection text writes the password
        const char* forFreeTds;
    } cases[] = {
        {"{p}}w}", "p}w"}, {"{p;w}", "{p;w}"}, {"{p}}w;x}", "{p}w;x}"}, {"{{p}", "{{p}"}, {"p'w", "p'w"}, {"pä", "pä"},
        {"{end}}}", "end}"},
    };
    for (const auto& c : cases) {
        const auto text = ResolveSqlServerDriver(std::string("Driver={SQL Server};Server=S,1;Uid=u;Pwd=") +
                                                     c.quotedForOdbc + ";",
                                                 {"FreeTDS"});
        EXPECT_NE(text->find(std::string(";Pwd=") + c.forFreeTds + ";ClientCharset"), std::string::npos) << *text;
    }
    EXPECT_THROW(ResolveSqlServerDriver("Driver={SQL Server};Server=S;Uid=u;Pwd={a}};b};", {"FreeTDS"}),
                 std::invalid_argument);
}

TEST(ResolveSqlServerDriver, LeavesOtherDriversAlone) {
    const std::string text = "Driver={SQLite3};Database=/tmp/x.db;";
    EXPECT_EQ(ResolveSqlServerDriver(text, {}), text);
}

}  // namespace
}  // namespace tess
