#include "app/copy/copy_command.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>

#include "catalogue/database_objects.h"
#include "catalogue/sqlserver_table_names.h"
#include "catalogue/table_keys.h"
#include "catalogue/table_listing.h"
#include "catalogue/table_structure.h"
#include "app/copy/companion_observer.h"
#include "app/copy/companion_ends.h"
#include "app/copy/copy_summary.h"
#include "app/copy/summary_file.h"
#include "common/printable_text.h"
#include "common/stop_request.h"
#include "connect/connection_strings.h"
#include "connect/reconnect.h"
#include "platform/console_toolkit.h"
#include "platform/database.h"
#include "platform/memory_table_list.h"
#include "platform/signal_watch.h"
#include "routines/error_trap.h"
#include "transfer/copy_observer.h"
#include "transfer/identifiers.h"
#include "transfer/identity_state.h"
#include "transfer/structure_comparison.h"
#include "transfer/table_copier.h"
#include "transfer/transfer_run.h"
#include "transfer/table_outcome.h"
#include "transfer/table_verification.h"

namespace tess {
namespace {

struct Logins : LoginSource {
    StoredLogins values;
    SqlServerLogin sqlServerLogin() const override { return values.sqlServer; }
    FirebirdLogin firebirdLogin() const override { return values.firebird; }
};

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

// The named tables that the source lists, each once and in the order named, the others said; then
// those the patterns choose.
std::vector<std::string> TablesToCopy(const MemoryTableList& sources, const std::vector<std::string>& names,
                                      const TableChoice& choice, const SqlServerTableNames* sqlServerNames,
                                      ConsoleToolkit& toolkit, bool& allFound) {
    const auto listed = sources.items();
    std::vector<std::string> found;
    allFound = true;
    for (const auto& name : names) {
        if (std::find(listed.begin(), listed.end(), name) == listed.end()) {
            toolkit.say("no table named \"" + PrintableText(name) + "\" in the source list");
            allFound = false;
        } else if (std::find(found.begin(), found.end(), name) != found.end()) {
            toolkit.say(PrintableText(name) + " is named more than once; it is copied once");
        } else {
            found.push_back(name);
        }
    }
    auto namesOf = [sqlServerNames](const std::string& entry) {
        if (!sqlServerNames) return PatternNames{entry, entry};
        return PatternNames{sqlServerNames->tableOf(entry).name, sqlServerNames->qualified(entry)};
    };
    std::vector<std::string> tables = ChooseTables(listed, found, choice, namesOf);
    // Patterns that choose nothing are a mistake a scheduler must hear of, not a copy of nothing.
    if (choice.byPattern() && ChooseTables(listed, {}, choice, namesOf).empty()) {
        toolkit.say("no table in the source list matches");
        allFound = false;
    }
    return tables;
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


struct VerifyEnds {
    Connection& sqlServer;
    Connection& firebird;
    bool toFirebird;
};

// One named table against its copy, said in one line and the differences after it.
bool VerifyOne(const std::string& entry, const VerifyEnds& ends, const SqlServerTableNames& names,
               VerificationOptions& verification, ConsoleToolkit& toolkit, std::ostream& out) {
    const SqlServerTable table = SqlServerTableOf(&names, entry);
    const std::string sqlServerQuery =
        "SELECT * FROM " + (ends.toFirebird ? SqlServerObjectName(&names, entry) : SqlServerName(entry));
    const std::string firebirdQuery = "SELECT * FROM " + FirebirdName(ends.toFirebird ? table.name : entry);
    verification.progress = [&](const char* side, long long done) {
        toolkit.rowsSent(entry + " (" + side + ")", done, -1);
    };
    // Rows are named by the source table's key.
    verification.keyColumns = ends.toFirebird ? SqlServerKeyColumns(ends.sqlServer, table.schema, table.name)
                                              : FirebirdKeyColumns(ends.firebird, entry);
    verification.arrayColumns = ends.toFirebird ? std::vector<std::string>{} : FirebirdArrayColumns(ends.firebird, entry);
    try {
        const VerificationResult r =
            ends.toFirebird ? VerifyTable(ends.sqlServer, sqlServerQuery, ends.firebird, firebirdQuery,
                                          CopyDirection::kToFirebird, verification)
                            : VerifyTable(ends.firebird, firebirdQuery, ends.sqlServer, sqlServerQuery,
                                          CopyDirection::kToSqlServer, verification);
        toolkit.endProgressLine();
        out << "table " << PrintableText(entry) << ": source " << r.sourceRows << " rows, target " << r.targetRows
            << " rows, matching " << r.matching << ", only in source " << r.onlyInSource << ", only in target "
            << r.onlyInTarget << (verification.sample ? " (a sample)" : "") << ", "
            << (r.identical() ? "identical" : "DIFFERENT") << "\n";
        for (const auto& line : r.differences) out << "  " << line << "\n";
        return r.identical();
    } catch (const VerificationStopped& e) {
        toolkit.endProgressLine();
        out << "table " << PrintableText(entry) << ": " << e.what() << "\n";
    } catch (const ColumnNotComparable& e) {
        toolkit.endProgressLine();
        out << "table " << PrintableText(entry) << ": not verified: " << e.what() << "\n";
    } catch (const std::exception& e) {  // a call that the stop cancelled, among others
        toolkit.endProgressLine();
        out << "table " << PrintableText(entry) << ": "
            << (verification.stopRequested() ? "stopped: " : "cannot be compared: ") << e.what() << "\n";
    }
    return false;
}

// --keys: the copy holds each key, index, foreign key, identity and NOT NULL of its source.
bool VerifyKeys(const std::string& entry, const VerifyEnds& ends, const SqlServerTableNames& names, std::ostream& out) {
    const SqlServerTable table = SqlServerTableOf(&names, entry);
    std::vector<std::string> missing;
    try {
        const TableStructure sqlServer =
            ReadSqlServerStructure(ends.sqlServer, ends.toFirebird ? table.schema : "", ends.toFirebird ? table.name : entry);
        const TableStructure firebird = ReadFirebirdStructure(ends.firebird, ends.toFirebird ? table.name : entry);
        missing = ends.toFirebird ? MissingStructure(sqlServer, firebird) : MissingStructure(firebird, sqlServer);
        // The target's identity goes on after the largest copied value.
        const TableStructure& target = ends.toFirebird ? firebird : sqlServer;
        if (!target.identity.empty())
            if (auto stalls = ends.toFirebird ? FirebirdIdentityStalls(ends.firebird, table.name, target.identity)
                                              : SqlServerIdentityStalls(ends.sqlServer, "", entry, target.identity))
                missing.push_back(*stalls);
    } catch (const std::exception& e) {
        out << "  keys: cannot be compared: " << ConsoleToolkit::OneLine(e.what()) << "\n";
        return false;
    }
    out << "  keys: ";
    if (missing.empty()) out << "all there";
    for (size_t i = 0; i < missing.size(); ++i) out << (i ? "; " : "MISSING ") << PrintableText(missing[i]);
    out << "\n";
    return missing.empty();
}

// Each named table against its copy; 0 when every one matches. A stop ends the table being
// compared, and names those not compared.
int Verify(const CopyOptions& options, const Logins& logins, Database& database, ConsoleToolkit& toolkit,
           const MemoryTableList& sources, const SqlServerTableNames& names, std::ostream& out,
           const StopRequest* stop) {
    std::unique_ptr<Connection> sqlServer, firebird;
    try {
        sqlServer = database.createConnection();
        sqlServer->open(SqlServerSettings(logins.values.sqlServer));
        firebird = database.createConnection();
        firebird->open(FirebirdSettings(logins.values.firebird));
    } catch (const std::exception& e) {
        toolkit.say(ConsoleToolkit::OneLine(e.what()));
        return kExitFailed;
    }
    VerificationOptions verification;
    verification.sample = options.sample;
    verification.stopRequested = [stop] { return stop && stop->requested(); };
    const CancelOnStop cancelling(stop, [&] {
        sqlServer->cancel();
        firebird->cancel();
    });
    const VerifyEnds ends{*sqlServer, *firebird, options.arguments[0] == "sqlserver-to-firebird"};
    bool allFound = true;
    const std::vector<std::string> named(options.arguments.begin() + 1, options.arguments.end());
    const auto tables =
        TablesToCopy(sources, named, options.choice, ends.toFirebird ? &names : nullptr, toolkit, allFound);
    bool identical = allFound;
    for (const auto& entry : tables) {
        if (verification.stopRequested()) {
            out << "table " << PrintableText(entry) << ": not compared\n";
            identical = false;
        } else {
            identical = VerifyOne(entry, ends, names, verification, toolkit, out) && identical;
            if (options.keys) identical = VerifyKeys(entry, ends, names, out) && identical;
        }
    }
    return identical ? kExitCopied : kExitFailed;
}

// The summary of each requested table, those never started too, and the exit status the outcomes
// make: a copy is complete when every table is, with every row in the target.
struct SummaryTarget {
    Database& database;
    ConnectionSettings settings;
    bool toFirebird;
    bool reachable = true;  // false once a server was given up: its tables are not counted
};
struct CopyResults {
    const std::vector<TableOutcome>& tables;
    const std::vector<StructureOutcome>& structure;  // with --keys
    std::vector<std::string> notCarried{};           // of the source database, besides its tables
};
struct SummaryEnds {
    ConsoleToolkit& toolkit;
    std::ostream& out;
    SummaryFile* file;        // with --summary-json
    const StopRequest* stop;  // a signal's stop makes the exit status
};
int Summarize(const CopyResults& results, const std::vector<std::string>& requested, bool failures,
              const SummaryTarget& target, const SummaryEnds& ends) {
    const auto& outcomes = results.tables;
    ConsoleToolkit& toolkit = ends.toolkit;
    // Counted through a connection of its own, opened once for every table.
    std::unique_ptr<Connection> counter;
    try {
        if (!outcomes.empty() && target.reachable) {
            counter = target.database.createConnection();
            counter->open(target.settings);
        }
    } catch (const std::exception&) {
        counter.reset();
    }
    std::vector<TableSummary> tables;
    bool complete = !failures, skipped = false;
    for (size_t i = 0; i < requested.size(); ++i) {
        TableSummary summary{requested[i], std::nullopt, std::nullopt};
        if (i < outcomes.size()) {
            const TableOutcome& o = outcomes[i];
            summary.outcome = o;
            const std::string name = target.toFirebird ? FirebirdName(o.target) : SqlServerName(o.target);
            summary.inTarget = TargetRows(counter.get(), "SELECT COUNT(*) FROM " + name);
            skipped = skipped || o.ending == TableOutcome::kSkipped;
            for (const auto& made : results.structure)
                if (made.table == o.target) summary.structure = made;
        }
        if (TargetDiffers(summary))
            toolkit.reportFailure(PrintableText(requested[i]) + ": the target holds " +
                                  std::to_string(*summary.inTarget) + " rows, not the " +
                                  std::to_string(summary.outcome->rowsWritten) +
                                  " written: something else changed it during the copy");
        PrintSummaryLine(ends.out, summary);
        complete = complete && SummaryComplete(summary);
        tables.push_back(std::move(summary));
    }
    if (!results.notCarried.empty()) {
        ends.out << "not carried from the source database:";
        for (size_t i = 0; i < results.notCarried.size(); ++i)
            ends.out << (i ? "; " : " ") << PrintableText(results.notCarried[i]);
        ends.out << "\n";
    }
    int status = !complete ? kExitFailed : skipped ? kExitSkipped : kExitCopied;
    if (ends.stop && ends.stop->requested() && ends.stop->signal()) status = SignalExitStatus(ends.stop->signal());
    if (!ends.file) return status;
    try {
        ends.file->write(tables, status, results.notCarried);
    } catch (const SummaryFileError& e) {
        toolkit.say(e.what());
        return status == kExitCopied || status == kExitSkipped ? kExitFailed : status;
    }
    return status;
}

struct ListedTables {
    MemoryTableList& sqlServer;
    MemoryTableList& firebird;
    SqlServerTableNames& sqlServerNames;
};

// What the companion asks of a transfer: the engine's own limits but for the stall time-out,
// capped where the clock's nanoseconds would overflow (three years waits as long as "no end").
TransferPlan PlanOf(const CopyOptions& options, std::vector<std::string> tables, const MemoryTableList& targets,
                    SqlServerTableNames& names, const StopRequest* stop) {
    TransferPlan plan;
    plan.toFirebird = options.command == "send-to-firebird";
    plan.tables = std::move(tables);
    plan.targetTables = targets.items();
    plan.sqlServerNames = &names;
    plan.bulk = options.bulk;
    plan.keys = options.keys;
    plan.nameRowsByKey = true;
    plan.stop = stop;
    const long long stall = std::min<long long>(options.stallTimeout, 100'000'000);
    plan.limits = {std::chrono::seconds(stall), TableCopier::kDefaultLimits.grace};
    return plan;
}

// Only a server that stays unreachable, or one given up for not answering, ends the run early: one
// report, the rest not started.
void SayHowTheRunEnded(const TransferResult& result, const TransferPlan& plan, ConsoleToolkit& toolkit) {
    using End = TransferResult::End;
    if (result.end != End::kGivenUp && result.end != End::kUnreachable) return;
    const bool tablesLeft = result.tables.size() < plan.tables.size();
    const std::string last = PrintableText(result.tables.back().source);
    if (result.end == End::kGivenUp && tablesLeft)
        toolkit.reportFailure("a server stopped answering, so the tables after " + last + " are not started");
    if (result.end == End::kUnreachable)
        toolkit.reportFailure("the servers stay unreachable, so " +
                              (tablesLeft ? "the tables after " + last + " are not started" : std::string("no key is made")) +
                              ": " + ConsoleToolkit::OneLine(result.why));
}

// What the outcomes do not say already: a key refused, or connections that could not be made
// again for the keys after the last table.
bool RunFailed(const TransferResult& result) {
    for (const auto& structure : result.structure)
        if (!structure.refused.empty()) return true;
    return result.end == TransferResult::End::kUnreachable;
}

// send-to-firebird and send-to-sqlserver: the named tables through the copy engine.
int Send(const CopyOptions& options, const StoredLogins& logins, Database& database, ConsoleToolkit& toolkit,
         ListedTables listed, const SummaryEnds& ends) {
    const bool toFirebird = options.command == "send-to-firebird";
    bool allFound = true;
    auto tables = TablesToCopy(toFirebird ? listed.sqlServer : listed.firebird, options.arguments, options.choice,
                               toFirebird ? &listed.sqlServerNames : nullptr, toolkit, allFound);
    std::unique_ptr<CompanionEnds> connections;
    try {
        connections = std::make_unique<CompanionEnds>(options, logins, database);
    } catch (const std::exception& e) {
        toolkit.say(ConsoleToolkit::OneLine(e.what()));
        return Summarize({{}, {}}, tables, true, {database, "", toFirebird}, ends);  // each "not started"
    }
    // Tables the patterns chose come after those their foreign keys refer to.
    if (options.choice.byPattern()) {
        const SqlServerTableNames& names = listed.sqlServerNames;
        Connection& source = *connections->source();
        tables = InForeignKeyOrder(tables, toFirebird ? SqlServerForeignKeyPairs(source) : FirebirdForeignKeyPairs(source),
                                   [&](const std::string& entry) { return toFirebird ? names.qualified(entry) : entry; });
    }
    // What the source holds besides its tables, said once for the run.
    const std::vector<std::string> notCarried = toFirebird ? SqlServerObjectsNotCarried(*connections->source())
                                                           : FirebirdObjectsNotCarried(*connections->source());
    const TransferPlan plan = PlanOf(options, tables, toFirebird ? listed.firebird : listed.sqlServer,
                                     listed.sqlServerNames, ends.stop);
    CompanionObserver observer(toolkit, ends.stop, toFirebird, plan.tables, ends.file);
    const TransferResult result = RunTransfer(plan, *connections, observer);
    toolkit.endProgressLine();
    SayHowTheRunEnded(result, plan, toolkit);
    const SummaryTarget target{database,
                               toFirebird ? FirebirdSettings(logins.firebird) : SqlServerSettings(logins.sqlServer),
                               toFirebird, result.targetReachable()};
    if (ends.file) ends.file->keep(SoFar(result.tables, plan.tables));
    return Summarize({result.tables, result.structure, notCarried}, plan.tables, !allFound || RunFailed(result),
                     target, ends);
}

int RunCommand(const CopyOptions& options, const StoredLogins& stored, Database& database, ConsoleToolkit& toolkit,
               std::ostream& out, const StopRequest* stop, SummaryFile* summary);

}  // namespace

int RunCopyCommand(const CopyOptions& options, const StoredLogins& stored, Database& database,
                   ConsoleToolkit& toolkit, std::ostream& out, const StopRequest* stop, SummaryFile* summary) {
    const bool sending = options.command == "send-to-firebird" || options.command == "send-to-sqlserver";
    std::optional<SummaryFile> ownSummary;
    if (sending && options.summaryJson && !summary) {
        try {
            summary = &ownSummary.emplace(*options.summaryJson);
        } catch (const SummaryFileError& e) {
            toolkit.say(e.what());
            return kExitUsage;
        }
    }
    const int status = RunCommand(options, stored, database, toolkit, out, stop, sending ? summary : nullptr);
    // A copy's summary already said its status, a stop's included: the process keeps to it.
    if (sending) return status;
    return stop && stop->requested() && stop->signal() ? SignalExitStatus(stop->signal()) : status;
}

namespace {

int RunCommand(const CopyOptions& options, const StoredLogins& stored, Database& database, ConsoleToolkit& toolkit,
               std::ostream& out, const StopRequest* stop, SummaryFile* summary) {
    Logins logins;
    logins.values = options.apply(stored);
    if (options.command == "test") {
        const bool firebird = TestSide(out, "Firebird", database, kUseServer,
                                       FirebirdSettings(logins.values.firebird));
        const bool sqlServer =
            TestSide(out, "SQL Server", database, 0, SqlServerSettings(logins.values.sqlServer));
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
    ErrorTrap trap([&toolkit](int step, const std::string& description) {
        toolkit.reportFailure(ConsoleToolkit::OneLine(description) + " [step " + std::to_string(step) + "]");
    });
    if (wantsSqlServer)
        trap.step(110, [&] {
            ListSqlServerTables(database, logins.values.sqlServer, list1, toolkit, &sqlServerNames);
        });
    if (wantsFirebird) trap.step(112, [&] { ListFirebirdTables(database, logins.values.firebird, list2); });

    if (options.command == "list") {
        for (const auto& name : (wantsSqlServer ? list1 : list2).items()) out << PrintableText(name) << "\n";
        return toolkit.errorReports() ? kExitFailed : kExitCopied;
    }
    if (verifying) {
        if (toolkit.errorReports()) return kExitFailed;
        return Verify(options, logins, database, toolkit, wantsSqlServer ? list1 : list2, sqlServerNames, out, stop);
    }
    const SummaryEnds ends{toolkit, out, summary, stop};
    if (toolkit.errorReports()) return Summarize({{}, {}}, options.arguments, true, {database, "", false}, ends);
    return Send(options, logins.values, database, toolkit, {list1, list2, sqlServerNames}, ends);
}

}  // namespace

}  // namespace tess
