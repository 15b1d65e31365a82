#include "app/copy/copy_command.h"

#include <optional>

#include "app/copy/commands.h"
#include "app/copy/console.h"
#include "app/copy/reject_files.h"
#include "app/copy/stall_limits.h"
#include "app/copy/summary_file.h"
#include "catalogue/sqlserver_table_names.h"
#include "catalogue/table_listing.h"
#include "common/printable_text.h"
#include "common/stop_request.h"
#include "connect/connection_strings.h"
#include "connect/reconnect.h"
#include "platform/database.h"
#include "platform/signal_watch.h"
#include "report/step_numbers.h"

namespace tess {
namespace {

// Like the "Test Connection" buttons, but saying why a connection failed.
bool TestSide(std::ostream& out, const char* side, Database& database, int cursorLocation,
              const ConnectionSettings& settings) {
    try {
        auto connection = database.createConnection();
        if (cursorLocation) connection->setCursorLocation(cursorLocation);
        connection->open(settings);
        out << side << ": Connection successful.\n";
        return true;
    } catch (const std::exception& e) {
        out << side << ": " << e.what() << "\n";
        return false;
    }
}

// A side's tables as "Next >" lists them; a failure is said with the step that lists them there.
bool ListSide(Console& console, int step, const std::function<std::vector<std::string>()>& list,
              std::vector<std::string>& tables) {
    try {
        tables = list();
        return true;
    } catch (const std::exception& e) {
        console.reportFailure(Console::OneLine(e.what()) + " [step " + std::to_string(step) + "]");
        return false;
    }
}

int RunCommand(const CopyOptions& options, const StoredLogins& stored, Database& database, const CommandEnds& ends) {
    const StoredLogins logins = options.apply(stored);
    if (options.command == "test") {
        const bool firebird = TestSide(ends.out, "Firebird", database, kUseServer, FirebirdSettings(logins.firebird));
        const bool sqlServer = TestSide(ends.out, "SQL Server", database, 0, SqlServerSettings(logins.sqlServer));
        return firebird && sqlServer ? kExitCopied : kExitFailed;
    }
    SqlServerTableNames sqlServerNames;
    ListedTables listed{{}, {}, sqlServerNames};
    const bool verifying = options.command == "verify";
    const bool wantsSqlServer = verifying ? options.arguments[0] == "sqlserver-to-firebird"
                                          : options.command != "list" || options.arguments[0] == "sqlserver";
    const bool wantsFirebird = verifying ? options.arguments[0] == "firebird-to-sqlserver"
                                         : options.command != "list" || options.arguments[0] == "firebird";
    bool listedAll = true;
    // A server that does not answer is given up within the stall time-out, listing too.
    const int connecting = ConnectingWithin(options);
    const CopyWatchdog::Limits watch = StallLimits(options);
    if (wantsSqlServer)
        listedAll = ListSide(ends.console, kListSqlServerTablesStep, [&] {
            return SqlServerTables(database, logins.sqlServer, &sqlServerNames, {}, connecting, watch);
        }, listed.sqlServer);
    if (wantsFirebird)
        listedAll = ListSide(ends.console, kListFirebirdTablesStep, [&] {
            return FirebirdTables(database, logins.firebird, connecting, watch);
        }, listed.firebird) && listedAll;

    if (options.command == "list") {
        for (const auto& name : wantsSqlServer ? listed.sqlServer : listed.firebird) ends.out << PrintableText(name) << "\n";
        return listedAll ? kExitCopied : kExitFailed;
    }
    if (verifying) return listedAll ? VerifyTables(options, logins, database, listed, ends) : kExitFailed;
    if (!listedAll) return SummarizeNothingSent(options.arguments, database, ends);
    return SendTables(options, logins, database, listed, ends);
}

}  // namespace

int RunCopyCommand(const CopyOptions& options, const StoredLogins& stored, Database& database, Console& console,
                   std::ostream& out, const StopRequest* stop, SummaryFile* summary) {
    const bool sending = options.command == "send-to-firebird" || options.command == "send-to-sqlserver";
    std::optional<SummaryFile> ownSummary;
    std::optional<RejectFiles> rejects;
    try {
        if (sending && options.summaryJson && !summary) {
            const StoredLogins logins = options.apply(stored);
            summary = &ownSummary.emplace(*options.summaryJson,
                                          std::vector<std::string>{logins.firebird.database, logins.sqlServer.database});
        }
        if (sending && options.rejects)
            rejects.emplace(*options.rejects, options.overwrite, options.command == "send-to-firebird");
    } catch (const std::runtime_error& e) {  // a summary or rejects path that cannot be written
        console.say(e.what());
        return kExitUsage;
    }
    const int status = RunCommand(options, stored, database,
                                  {console, out, sending ? summary : nullptr, stop, rejects ? &*rejects : nullptr});
    // A copy's summary already said its status, a stop's included: the process keeps to it.
    if (sending) return status;
    return stop && stop->requested() && stop->signal() ? SignalExitStatus(stop->signal()) : status;
}

}  // namespace tess
