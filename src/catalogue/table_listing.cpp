#include "catalogue/table_listing.h"

#include <algorithm>
#include <cctype>

#include "catalogue/sqlserver_table_names.h"
#include "common/text_case.h"
#include "common/text_codec.h"
#include "connect/connection_strings.h"
#include "platform/database.h"

namespace tess {
namespace {

std::string UpperAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

// The schema that unqualified names resolve in. A server that cannot say (the catalogue of a
// stand-in, say) is taken to use SQL Server's own default.
std::string DefaultSchema(Connection& connection) {
    try {
        auto rows = connection.openRecordset("SELECT SCHEMA_NAME()");
        const std::string schema = rows->eof() ? "" : TextOrEmpty(rows->value(0));
        rows->close();
        return schema.empty() ? "dbo" : schema;
    } catch (const DatabaseError&) {
        return "dbo";
    }
}

// What `read` returns, read under a watchdog where limits are given; `read` is handed what to call
// for each row that comes through.
template <class Read>
std::vector<std::string> Watched(Connection& connection, const std::optional<CopyWatchdog::Limits>& limits,
                                 Read&& read) {
    if (!limits) return read([] {});
    CopyWatchdog watchdog(*limits, [&connection] { connection.cancel(); }, [&connection] { connection.abandon(); });
    return read([&watchdog] { watchdog.progress(); });
}

// As the sorted lists hold them: a name after those equal to it in the lists' order.
std::vector<std::string> InListOrder(std::vector<std::string> tables) {
    std::stable_sort(tables.begin(), tables.end(), ListOrderLess);
    return tables;
}

}  // namespace

bool IsListedSqlServerTable(const std::string& tableName, const std::string& tableType) {
    return tableType == "TABLE" && UpperAscii(tableName).find("SYS") == std::string::npos;
}

bool IsListedFirebirdTable(const std::string& tableName) {
    // The engine's own tables are named with a three-letter prefix and "$" (RDB$, MON$, SEC$).
    // The fourth character, not byte: "ÄÖÜ$X" is an engine-style name, "ÄB$C" is not.
    const std::string_view firstFour = FirstCharacters(tableName, 4);
    return CharacterCount(firstFour) < 4 || firstFour.back() != '$';
}

std::vector<std::string> FirebirdTables(Database& database, const FirebirdLogin& login, int connectionTimeout,
                                        std::optional<CopyWatchdog::Limits> watch) {
    auto connection = database.createConnection();
    connection->setCursorLocation(kUseClient);
    connection->setConnectionTimeout(connectionTimeout);
    connection->open(FirebirdSettings(login));
    std::vector<std::string> tables = Watched(*connection, watch, [&](const std::function<void()>& cameThrough) {
        std::vector<std::string> listed;
        auto rows = connection->openSchema(kSchemaTables);
        for (; !rows->eof(); rows->moveNext()) {
            cameThrough();
            std::string name = TextOrEmpty(rows->value("TABLE_NAME"));
            if (IsListedFirebirdTable(name)) listed.push_back(std::move(name));
        }
        rows->close();
        return listed;
    });
    connection->close();
    return InListOrder(std::move(tables));
}

std::vector<std::string> SqlServerTables(Database& database, const SqlServerLogin& login, SqlServerTableNames* names,
                                         const std::function<void()>& eachRow, int connectionTimeout,
                                         std::optional<CopyWatchdog::Limits> watch) {
    auto connection = database.createConnection();
    connection->setConnectionTimeout(connectionTimeout);
    connection->open(SqlServerSettings(login));
    if (names) names->clear();
    std::vector<std::string> tables = Watched(*connection, watch, [&](const std::function<void()>& cameThrough) {
        const std::string defaultSchema = names ? DefaultSchema(*connection) : "";
        std::vector<std::string> listed;
        auto rows = connection->openSchema(kSchemaTables);
        for (; !rows->eof(); rows->moveNext()) {
            cameThrough();
            if (TextOrEmpty(rows->value("TABLE_TYPE")) != "TABLE") continue;
            if (eachRow) eachRow();
            std::string name = TextOrEmpty(rows->value("TABLE_NAME"));
            if (!IsListedSqlServerTable(name, "TABLE")) continue;
            listed.push_back(names ? names->listed(TextOrEmpty(rows->value("TABLE_SCHEMA")), name, defaultSchema)
                                   : name);
        }
        rows->close();
        return listed;
    });
    connection->close();
    return InListOrder(std::move(tables));
}

}  // namespace tess
