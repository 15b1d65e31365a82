#include "platform/odbc/driver_resolution.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "connect/connection_strings.h"

namespace tess {
namespace {

const SqlServerLogin kSales{"SRV", "1433", "Sales", "sa", "p;w", false};

TEST(ResolveSqlServerDriver, SubstitutesTheFirstInstalledDriver) {
    const std::string text = SqlServerConnectionString(kSales);
    const std::string tail = "Database=Sales;Uid=sa;Pwd={p;w};";
    struct Case {
        std::vector<std::string> installed;
        std::optional<std::string> text;
    } cases[] = {
        {{"SQL Server", "FreeTDS"}, text},
        {{"sql server"}, text},
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
    for (const auto& c : cases) EXPECT_EQ(ResolveSqlServerDriver(SqlServerSettings(kSales), c.installed), c.text);
}

TEST(ResolveSqlServerDriver, FreeTdsGetsHostAndPortApart) {
    struct Case {
        const char* server;
        const char* port;  // nullptr: a local connection, which names no port
        const char* freeTds;
    } cases[] = {
        {"SRV", nullptr, "Server=SRV;Port=1433;"},  // SQL Server's own port
        {"SRV", "1500", "Server=SRV;Port=1500;"},
        {"SRV", "", "Server=SRV;Port=1433;"},  // a bare comma names no port
        {"SRV\\SQLEXPRESS", nullptr, "Server=SRV\\SQLEXPRESS;"},  // the browser service finds the port
        {"SRV\\SQLEXPRESS", "1433", "Server=SRV;Port=1433;"},
        {"10.0.0.5", "49172", "Server=10.0.0.5;Port=49172;"},
    };
    for (const auto& c : cases) {
        const SqlServerLogin login{c.server, c.port ? c.port : "", "", "sa", "", c.port == nullptr};
        EXPECT_EQ(ResolveSqlServerDriver(SqlServerSettings(login), {"FreeTDS"}),
                  std::string("Driver={FreeTDS};") + c.freeTds + "Database=;Uid=sa;Pwd=;ClientCharset=UTF-8;TDS_Version=7.3;")
            << c.server;
    }
}

// Each value reaches FreeTDS byte for byte: it ends a braced value at "};" and undoubles nothing.
TEST(ResolveSqlServerDriver, FreeTdsValuesArriveIntact) {
    struct Case {
        const char* typed;
        const char* forFreeTds;
    } cases[] = {
        {"p}w", "p}w"}, {"p;w", "{p;w}"}, {"p}w;x", "{p}w;x}"}, {"{p", "{{p}"}, {"p'w", "p'w"}, {"pä", "pä"},
        {"end}", "end}"},
    };
    for (const auto& c : cases) {
        const auto text = ResolveSqlServerDriver(SqlServerSettings({"S", "1", "D", "u", c.typed, false}), {"FreeTDS"});
        EXPECT_NE(text->find(std::string(";Pwd=") + c.forFreeTds + ";ClientCharset"), std::string::npos) << *text;
    }
    EXPECT_THROW(ResolveSqlServerDriver(SqlServerSettings({"S", "1", "D", "u", "a};b", false}), {"FreeTDS"}),
                 std::invalid_argument);
}

// Only a SQL Server login is rewritten; a text given as it stands goes to its driver as it stands.
TEST(ResolveSqlServerDriver, LeavesOtherTextsAlone) {
    for (const std::string text : {"Driver={SQLite3};Database=/tmp/x.db;", "Driver={SQL Server};Server=S;"})
        EXPECT_EQ(ResolveSqlServerDriver(text, {"FreeTDS"}), text);
}

}  // namespace
}  // namespace tess
