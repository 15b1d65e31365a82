#include "app/copy/copy_command.h"

#include "routines/error_trap.h"
#include "platform/memory_table_list.h"
#include "common/operation_guard.h"
#include "catalogue/sqlserver_table_names.h"
#include "catalogue/table_listing.h"
#include "connect/connection_strings.h"
#include "platform/console_toolkit.h"
#include "platform/database.h"
#include "transfer/send_to_firebird.h"
#include "transfer/identifiers.h"
#include "transfer/send_to_sqlserver.h"
#include "transfer/table_outcome.h"
#include "transfer/table_verification.h"

#include <algorithm>

#include <cstdio>
#include <optional>

namespace tess {
namespace {

struct Logins : LoginSource {
    StoredLogins values;
    SqlServerLogin sqlServerLogin() const override { return values.sqlServer; }
    FirebirdLogin firebirdLogin() const override { return values.firebird; }
};

// Like the "Test Connection" buttons, but saying why a connection failed.
bool TestSide(std::ostream& out, const char* side, Database& database, int cursorLocation, const std::string& text) {
    try {
        auto connection = database.createConnection();
        if (cursorLocation) connection->setCursorLocation(cursorLocation);
        connection->open(text);
        out << side << ": Connection successful.\n";
        return true;
    } catch (const std::exception& e) {
        out << side << ": " << e.what() << "\n";
        return false;
    }
}

// Selects the named entries as a user would; false when one is not in the list.
bool SelectTables(MemoryTableList& list, const std::vector<std::string>& names, std::ostream& out) {
    bool all = true;
    for (const auto& name : names) {
        int found = -1;
        for (int i = 0; i < list.listCount(); ++i)
            if (list.item(i) == name) found = i;
        if (found < 0) {
            out << "tessaline-copy: no table named \"" << name << "\" in the source list\n";
            all = false;
            continue;
        }
        list.setSelected(found, true);
        list.setListIndex(found);
    }
    return all;
}

// The rows a target table holds after the copy; nothing when it cannot be counted.
std::optional<long long> TargetRows(Connection* target, const std::string& query) {
    if (!target) return std::nullopt;
    try {
        auto rows = target->openRecordset(query);
        std::optional<long long> count;
        if (!rows->eof())
            if (const auto* n = std::get_if<std::int64_t>(&rows->value(0))) count = *n;
        rows->close();
        return count;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void PrintSummary(std::ostream& out, const TableOutcome& o, std::optional<long long> inTarget) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", o.seconds);
    out << "table " << o.source << ": read " << o.rowsRead << ", written " << o.rowsWritten << ", refused "
        << o.rowsRefused << ", " << seconds << " s, in target ";
    if (inTarget) out << *inTarget;
    else out << "unknown";
    if (inTarget && *inTarget != o.rowsWritten && o.ending != TableOutcome::kSkipped) out << " (differs from written)";
    out << ", " << EndingText(o.ending) << "\n";
}

// Each named table against its copy; 0 when every one matches.
int Verify(const CopyOptions& options, const Logins& logins, Database& database, ConsoleToolkit& toolkit,
           const MemoryTableList& sources, const SqlServerTableNames& names, std::ostream& out) {
    const bool toFirebird = options.arguments[0] == "sqlserver-to-firebird";
    const std::string sqlServerText = SqlServerConnectionString(logins.values.sqlServer);
    const std::string firebirdText = FirebirdConnectionString(logins.values.firebird);
    std::unique_ptr<Connection> sqlServer, firebird;
    try {
        sqlServer = database.createConnection();
        sqlServer->open(sqlServerText);
        firebird = database.createConnection();
        firebird->open(firebirdText);
    } catch (const std::exception& e) {
        out << "tessaline-copy: " << e.what() << "\n";
        return kExitFailed;
    }
    VerificationOptions verification;
    verification.sample = options.sample;
    bool identical = true;
    for (size_t i = 1; i < options.arguments.size(); ++i) {
        const std::string& entry = options.arguments[i];
        const auto items = sources.items();
        if (std::find(items.begin(), items.end(), entry) == items.end()) {
            out << "tessaline-copy: no table named \"" << entry << "\" in the source list\n";
            identical = false;
            continue;
        }
        const SqlServerTable table = SqlServerTableOf(&names, entry);
        const std::string sqlServerQuery = "SELECT * FROM " + (toFirebird ? SqlServerObjectName(&names, entry)
                                                                          : SqlServerName(entry));
        const std::string firebirdQuery = "SELECT * FROM " + FirebirdName(toFirebird ? table.name : entry);
        verification.progress = [&](const char* side, long long done) {
            toolkit.rowsSent(entry + " (" + side + ")", done, -1);
        };
        try {
            const VerificationResult r =
                toFirebird ? VerifyTable(*sqlServer, sqlServerQuery, *firebird, firebirdQuery, CopyDirection::kToFirebird,
                                         verification)
                           : VerifyTable(*firebird, firebirdQuery, *sqlServer, sqlServerQuery,
                                         CopyDirection::kToSqlServer, verification);
            toolkit.endProgressLine();
            out << "table " << entry << ": source " << r.sourceRows << " rows, target " << r.targetRows
                << " rows, matching " << r.matching << ", only in source " << r.onlyInSource << ", only in target "
                << r.onlyInTarget << (options.sample ? " (a sample)" : "") << ", "
                << (r.identical() ? "identical" : "DIFFERENT") << "\n";
            for (const auto& line : r.differences) out << "  " << line << "\n";
            identical = identical && r.identical();
        } catch (const std::exception& e) {
            toolkit.endProgressLine();
            out << "table " << entry << ": cannot be compared: " << e.what() << "\n";
            identical = false;
        }
    }
    return identical ? kExitCopied : kExitFailed;
}

}  // namespace

int RunCopyCommand(const CopyOptions& options, const StoredLogins& stored, Database& database,
                   ConsoleToolkit& toolkit, std::ostream& out, const StopRequest* stop) {
    Logins logins;
    logins.values = options.apply(stored);
    if (options.command == "test") {
        const bool firebird = TestSide(out, "Firebird", database, kUseServer,
                                       FirebirdConnectionString(logins.values.firebird));
        const bool sqlServer =
            TestSide(out, "SQL Server", database, 0, SqlServerConnectionString(logins.values.sqlServer));
        return firebird && sqlServer ? kExitCopied : kExitFailed;
    }

    // The lists are filled as "Next >" fills them.
    MemoryTableList list1, list2;
    SqlServerTableNames sqlServerNames;
    const bool verifying = options.command == "verify";
    const bool wantsSqlServer = verifying ? options.arguments[0] == "sqlserver-to-firebird"
                                          : options.command != "list" || options.arguments[0] == "sqlserver";
    const bool wantsFirebird = verifying ? options.arguments[0] == "firebird-to-sqlserver"
                                         : options.command != "list" || options.arguments[0] == "firebird";
    ErrorTrap trap(toolkit, ErrorLocation("Form1", "PushButton2"));
    if (wantsSqlServer)
        trap.step(110, [&] {
            ListSqlServerTables(database, logins.values.sqlServer, list1, toolkit, &sqlServerNames);
        });
    if (wantsFirebird) trap.step(112, [&] { ListFirebirdTables(database, logins.values.firebird, list2); });

    if (options.command == "list") {
        for (const auto& name : (wantsSqlServer ? list1 : list2).items()) out << name << "\n";
        return toolkit.errorReports() ? kExitFailed : kExitCopied;
    }
    if (toolkit.errorReports()) return kExitFailed;
    if (verifying) return Verify(options, logins, database, toolkit, wantsSqlServer ? list1 : list2, sqlServerNames, out);

    ConsoleProgressBar progress;
    ConsoleWindow window;
    OperationGuard guard;
    std::vector<TableOutcome> outcomes;
    TablesWindowControls controls{list1, list2, progress, window,
                                  [&](const std::string& t, long long done, long long total) {
                                      toolkit.rowsSent(t, done, total);
                                  },
                                  &sqlServerNames, stop,
                                  [&](const TableOutcome& o) { outcomes.push_back(o); }, options.bulk};
    const bool toFirebird = options.command == "send-to-firebird";
    const bool allFound = SelectTables(toFirebird ? list1 : list2, options.arguments, out);
    if (toFirebird)
        SendToFirebird(database, toolkit, logins, controls, guard).PushButton3_Click();
    else
        SendToSqlServer(database, toolkit, logins, controls, guard).PushButton4_Click();
    toolkit.endProgressLine();

    bool complete = allFound && !toolkit.errorReports(), skipped = false;
    const std::string target = toFirebird ? FirebirdConnectionString(logins.values.firebird)
                                          : SqlServerConnectionString(logins.values.sqlServer);
    // Counted through a connection of its own, opened once for every table.
    std::unique_ptr<Connection> counter;
    try {
        counter = database.createConnection();
        counter->open(target);
    } catch (const std::exception&) {
        counter.reset();
    }
    for (const auto& o : outcomes) {
        const std::string name = toFirebird ? FirebirdName(o.target) : SqlServerName(o.target);
        PrintSummary(out, o, TargetRows(counter.get(), "SELECT COUNT(*) FROM " + name));
        skipped = skipped || o.ending == TableOutcome::kSkipped;
        complete = complete && (o.ending == TableOutcome::kComplete || o.ending == TableOutcome::kSkipped) &&
                   o.rowsRefused == 0;
    }
    if (outcomes.size() + (allFound ? 0 : 1) < options.arguments.size()) complete = false;  // some never started
    if (!complete) return kExitFailed;
    return skipped ? kExitSkipped : kExitCopied;
}

}  // namespace tess
