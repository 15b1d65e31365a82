// send-to-firebird and send-to-sqlserver: the named tables through the engine's transfer, then the
// summary of each requested table and the exit status the outcomes make.
#include <algorithm>
#include <map>
#include <optional>

#include "app/copy/commands.h"
#include "app/copy/companion_ends.h"
#include "app/copy/companion_observer.h"
#include "app/copy/console.h"
#include "app/copy/copy_command.h"
#include "app/copy/copy_summary.h"
#include "app/copy/summary_file.h"
#include "app/copy/stall_limits.h"
#include "app/copy/table_choice.h"
#include "catalogue/database_objects.h"
#include "catalogue/sqlserver_table_names.h"
#include "catalogue/table_keys.h"
#include "common/printable_text.h"
#include "common/stop_request.h"
#include "connect/connection_strings.h"
#include "connect/reconnect.h"
#include "platform/database.h"
#include "platform/signal_watch.h"
#include "transfer/identifiers.h"
#include "transfer/transfer_run.h"

namespace tess {
namespace {

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

// Where the rows went, counted through a connection of its own, opened once for every table.
struct SummaryTarget {
    Database& database;
    ConnectionSettings settings;
    bool toFirebird;
    bool reachable = true;  // false once a server was given up: its tables are not counted
    // The copy's limits and its connections' wait: a server that stops answering the counts is
    // given up as in the copy.
    std::optional<CopyWatchdog::Limits> watch{};
    int connecting = kReconnectTimeout;
};
struct CopyResults {
    const std::vector<TableOutcome>& tables;
    const std::vector<StructureOutcome>& structure;  // with --keys
    std::vector<std::string> notCarried{};           // of the source database, besides its tables
    std::map<std::string, std::string> rejects{};    // each table's file of refused rows
    bool cutShort = false;  // the run broke off with the table after the last outcome under way
    std::vector<std::string> missing{};  // named, and not in the source list
};

std::unique_ptr<Connection> Counter(const SummaryTarget& target, bool wanted) {
    if (!wanted || !target.reachable) return nullptr;
    try {
        auto counter = target.database.createConnection();
        counter->setConnectionTimeout(target.connecting);
        counter->open(target.settings);
        return counter;
    } catch (const std::exception&) {
        return nullptr;
    }
}

TableSummary SummaryOf(const std::string& requested, size_t i, const CopyResults& results, Connection* counter,
                       bool toFirebird) {
    TableSummary summary{requested, std::nullopt, std::nullopt};
    summary.inFlight = results.cutShort && i == results.tables.size();
    if (i >= results.tables.size()) return summary;
    const TableOutcome& o = results.tables[i];
    summary.outcome = o;
    const std::string name = toFirebird ? FirebirdName(o.target) : SqlServerName(o.target);
    summary.inTarget = TargetRows(counter, "SELECT COUNT(*) FROM " + name);
    for (const auto& made : results.structure)
        if (made.table == o.target) summary.structure = made;
    if (const auto file = results.rejects.find(o.source); file != results.rejects.end()) summary.rejects = file->second;
    return summary;
}

void PrintNotCarried(std::ostream& out, const std::vector<std::string>& notCarried) {
    if (notCarried.empty()) return;
    out << "not carried from the source database:";
    for (size_t i = 0; i < notCarried.size(); ++i) out << (i ? "; " : " ") << PrintableText(notCarried[i]);
    out << "\n";
}

// The summary of each requested table, those never started too, and the exit status the outcomes
// make: a copy is complete when every table is, with every row in the target. A summary file that
// cannot be written fails a run that would have passed.
int Summarize(const CopyResults& results, const std::vector<std::string>& requested, bool failures,
              const SummaryTarget& target, const CommandEnds& ends) {
    const auto counter = Counter(target, !results.tables.empty());
    std::optional<CopyWatchdog> watchdog;
    if (counter && target.watch)
        watchdog.emplace(*target.watch, [&counter] { counter->cancel(); }, [&counter] { counter->abandon(); });
    std::vector<TableSummary> tables;
    bool complete = !failures, skipped = false;
    for (size_t i = 0; i < requested.size(); ++i) {
        TableSummary summary = SummaryOf(requested[i], i, results, counter.get(), target.toFirebird);
        if (watchdog) watchdog->progress();
        skipped = skipped || (summary.outcome && summary.outcome->ending == TableOutcome::kSkipped);
        if (TargetDiffers(summary))
            ends.console.reportFailure(PrintableText(requested[i]) + ": the target holds " +
                                       std::to_string(*summary.inTarget) + " rows, not the " +
                                       std::to_string(summary.outcome->rowsWritten) +
                                       " written: something else changed it during the copy");
        PrintSummaryLine(ends.out, summary);
        complete = complete && SummaryComplete(summary);
        tables.push_back(std::move(summary));
    }
    for (const std::string& name : results.missing) {
        TableSummary absent{name, std::nullopt, std::nullopt};
        absent.absent = true;
        PrintSummaryLine(ends.out, absent);
        tables.push_back(std::move(absent));
    }
    PrintNotCarried(ends.out, results.notCarried);
    int status = !complete ? kExitFailed : skipped ? kExitSkipped : kExitCopied;
    if (ends.stop && ends.stop->requested() && ends.stop->signal()) status = SignalExitStatus(ends.stop->signal());
    if (!ends.file) return status;
    try {
        ends.file->write(tables, status, results.notCarried);
    } catch (const SummaryFileError& e) {
        ends.console.say(e.what());
        return status == kExitCopied || status == kExitSkipped ? kExitFailed : status;
    }
    return status;
}

// What the companion asks of a transfer: the engine's own limits but for the stall time-out
// (`StallLimits`).
TransferPlan PlanOf(const CopyOptions& options, std::vector<std::string> tables, const ListedTables& listed,
                    const StopRequest* stop) {
    TransferPlan plan;
    plan.toFirebird = options.command == "send-to-firebird";
    plan.tables = std::move(tables);
    plan.targetTables = plan.toFirebird ? listed.firebird : listed.sqlServer;
    plan.sqlServerNames = &listed.sqlServerNames;
    plan.bulk = options.bulk;
    plan.keys = options.keys;
    plan.nameRowsByKey = true;
    plan.overwrite = options.overwrite ? OverwritePolicy::kYes : OverwritePolicy::kNo;
    plan.maxRefused = options.maxRefused;
    plan.stop = stop;
    plan.limits = StallLimits(options);
    return plan;
}

// Only a server that stays unreachable, one given up for not answering, or a failure no one
// foresaw ends the run early: one report, the rest not started.
void SayHowTheRunEnded(const TransferResult& result, const TransferPlan& plan, Console& console) {
    using End = TransferResult::End;
    if (result.end == End::kBroken)
        return console.reportFailure(
            "the run broke off" +
            (result.tables.size() + 1 < plan.tables.size() ? std::string(", so the tables after the one under way are "
                                                                         "not started")
                                                           : "") +
            ": " + Console::OneLine(result.why));
    if (result.end != End::kGivenUp && result.end != End::kUnreachable) return;
    const bool tablesLeft = result.tables.size() < plan.tables.size();
    const std::string last = PrintableText(result.tables.back().source);
    if (result.end == End::kGivenUp && tablesLeft)
        console.reportFailure("a server stopped answering, so the tables after " + last + " are not started");
    if (result.end == End::kUnreachable)
        console.reportFailure("the servers stay unreachable, so " +
                              (tablesLeft ? "the tables after " + last + " are not started" : std::string("no key is made")) +
                              ": " + Console::OneLine(result.why));
}

// What the outcomes do not say already: a key refused, or connections that could not be made
// again for the keys after the last table.
bool RunFailed(const TransferResult& result) {
    for (const auto& structure : result.structure)
        if (!structure.refused.empty() || !structure.notMade.empty()) return true;
    return result.end == TransferResult::End::kUnreachable || result.end == TransferResult::End::kBroken;
}

// Tables the patterns chose come after those their foreign keys refer to.
std::vector<std::string> InReferenceOrder(std::vector<std::string> tables, const CopyOptions& options,
                                          Connection& source, const SqlServerTableNames& names) {
    if (!options.choice.byPattern()) return tables;
    const bool toFirebird = options.command == "send-to-firebird";
    return InForeignKeyOrder(tables, toFirebird ? SqlServerForeignKeyPairs(source) : FirebirdForeignKeyPairs(source),
                             [&](const std::string& entry) { return toFirebird ? names.qualified(entry) : entry; });
}

}  // namespace

int SummarizeNothingSent(const std::vector<std::string>& requested, Database& database, const CommandEnds& ends,
                         const std::vector<std::string>& missing) {
    CopyResults nothing{{}, {}};
    nothing.missing = missing;
    return Summarize(nothing, requested, true, {database, "", false}, ends);
}

int SendTables(const CopyOptions& options, const StoredLogins& logins, Database& database, const ListedTables& listed,
               const CommandEnds& ends) {
    const bool toFirebird = options.command == "send-to-firebird";
    TablesChosen chosen = TablesToCopy(toFirebird ? listed.sqlServer : listed.firebird, options.arguments,
                                       options.choice, toFirebird ? &listed.sqlServerNames : nullptr,
                                       [&](const std::string& s) { ends.console.say(s); });
    std::unique_ptr<CompanionEnds> connections;
    try {
        connections = std::make_unique<CompanionEnds>(options, logins, database);
    } catch (const std::exception& e) {
        ends.console.say(Console::OneLine(e.what()));
        return SummarizeNothingSent(chosen.tables, database, ends, chosen.missing);
    }
    Connection& source = *connections->source();
    auto tables = InReferenceOrder(std::move(chosen.tables), options, source, listed.sqlServerNames);
    // What the source holds besides its tables, said once for the run.
    const auto notCarried = toFirebird ? SqlServerObjectsNotCarried(source) : FirebirdObjectsNotCarried(source);
    const TransferPlan plan = PlanOf(options, std::move(tables), listed, ends.stop);
    CompanionObserver observer(ends.console, ends.stop, toFirebird, plan.tables, ends.file, ends.rejects);
    const TransferResult result = RunTransfer(plan, *connections, observer);
    ends.console.endProgressLine();
    SayHowTheRunEnded(result, plan, ends.console);
    const SummaryTarget target{database,
                               toFirebird ? FirebirdSettings(logins.firebird) : SqlServerSettings(logins.sqlServer),
                               toFirebird, result.targetReachable(), plan.limits, ConnectingWithin(options)};
    if (ends.file) ends.file->keep(SoFar(result.tables, plan.tables));
    return Summarize({result.tables, result.structure, notCarried, observer.rejectFiles(),
                      result.end == TransferResult::End::kBroken, chosen.missing},
                     plan.tables,
                     !chosen.allFound || RunFailed(result), target, ends);
}

}  // namespace tess
