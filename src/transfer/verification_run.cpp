#include "transfer/verification_run.h"

#include "catalogue/sqlserver_table_names.h"
#include "catalogue/table_keys.h"
#include "catalogue/table_structure.h"
#include "common/stop_request.h"
#include "platform/database.h"
#include "transfer/identifiers.h"
#include "transfer/identity_state.h"
#include "transfer/structure_comparison.h"

namespace tess {
namespace {

bool Stopped(const StopRequest* stop) { return stop && stop->requested(); }

// The rows of one table against its copy. Rows are named by the source table's key.
void CompareRows(const VerificationPlan& plan, VerificationEnds ends, const std::string& entry,
                 VerificationObserver& observer, TableComparison& comparison, CopyWatchdog& watchdog) {
    const SqlServerTableNames* names = plan.sqlServerNames;
    const SqlServerTable table = SqlServerTableOf(names, entry);
    const std::string sqlServerQuery =
        "SELECT * FROM " + (plan.toFirebird ? SqlServerObjectName(names, entry) : SqlServerName(entry));
    const std::string firebirdQuery = "SELECT * FROM " + FirebirdName(plan.toFirebird ? table.name : entry);
    VerificationOptions options;
    options.sample = plan.sample;
    options.stopRequested = [&plan] { return Stopped(plan.stop); };
    options.progress = [&](const char* side, long long done) {
        watchdog.progress();
        observer.rowsRead(entry, side, done);
    };
    try {
        options.keyColumns = plan.toFirebird ? SqlServerKeyColumns(ends.sqlServer, table.schema, table.name)
                                             : FirebirdKeyColumns(ends.firebird, entry);
        if (!plan.toFirebird) options.arrayColumns = FirebirdArrayColumns(ends.firebird, entry);
        comparison.rows = plan.toFirebird ? VerifyTable(ends.sqlServer, sqlServerQuery, ends.firebird, firebirdQuery,
                                                        CopyDirection::kToFirebird, options)
                                          : VerifyTable(ends.firebird, firebirdQuery, ends.sqlServer, sqlServerQuery,
                                                        CopyDirection::kToSqlServer, options);
        comparison.status = TableComparison::Status::kCompared;
    } catch (const VerificationStopped& e) {
        comparison = {entry, TableComparison::Status::kStopped, e.what()};
    } catch (const ColumnNotComparable& e) {
        comparison = {entry, TableComparison::Status::kNotComparable, e.what()};
    } catch (const std::exception& e) {  // a call that the stop cancelled, among others
        if (Stopped(plan.stop)) comparison = {entry, TableComparison::Status::kStopped, "stopped: " + std::string(e.what())};
        else comparison = {entry, TableComparison::Status::kFailed, e.what()};
    }
}

// The copy holds each key, index, foreign key, identity and NOT NULL of its source, and the
// target's identity goes on after the largest copied value.
KeysComparison CompareKeys(const VerificationPlan& plan, VerificationEnds ends, const std::string& entry) {
    const SqlServerTable table = SqlServerTableOf(plan.sqlServerNames, entry);
    const bool toFirebird = plan.toFirebird;
    KeysComparison keys;
    try {
        const TableStructure sqlServer =
            ReadSqlServerStructure(ends.sqlServer, toFirebird ? table.schema : "", toFirebird ? table.name : entry);
        const TableStructure firebird = ReadFirebirdStructure(ends.firebird, toFirebird ? table.name : entry);
        keys.missing = toFirebird ? MissingStructure(sqlServer, firebird) : MissingStructure(firebird, sqlServer);
        const TableStructure& target = toFirebird ? firebird : sqlServer;
        if (!target.identity.empty())
            if (auto stalls = toFirebird ? FirebirdIdentityStalls(ends.firebird, table.name, target.identity)
                                         : SqlServerIdentityStalls(ends.sqlServer, "", entry, target.identity))
                keys.missing.push_back(*stalls);
    } catch (const std::exception& e) {
        keys.failure = e.what();
    }
    return keys;
}

}  // namespace

// A stop cancels the calls under way, and a server that stopped answering is given up after the
// stall time-out: no wait is longer than the stall time-out and the grace.
std::vector<TableComparison> RunVerification(const VerificationPlan& plan, VerificationEnds ends,
                                             VerificationObserver& observer) {
    const auto cancel = [ends] {
        ends.sqlServer.cancel();
        ends.firebird.cancel();
    };
    const auto abandon = [ends] {
        ends.sqlServer.abandon();
        ends.firebird.abandon();
    };
    CopyWatchdog watchdog(plan.limits, cancel, abandon);
    const CancelOnStop cancelling(plan.stop, [&] {
        cancel();
        watchdog.cancelled();
    });
    std::vector<TableComparison> comparisons;
    bool givenUp = false;
    for (const auto& entry : plan.tables) {
        TableComparison comparison;
        comparison.table = entry;
        if (givenUp) comparison.why = "a server was given up for not answering";
        if (!Stopped(plan.stop) && !givenUp) {
            watchdog.rearm(plan.limits);
            CompareRows(plan, ends, entry, observer, comparison, watchdog);
            if (plan.keys && !watchdog.stalled()) comparison.keys = CompareKeys(plan, ends, entry);
            givenUp = watchdog.stalled();
            watchdog.disarm();
            if (givenUp)
                comparison = {entry, TableComparison::Status::kFailed,
                              "nothing came back within the stall time-out, so the server was given up: " +
                                  comparison.why};
        }
        observer.tableCompared(comparison);
        comparisons.push_back(std::move(comparison));
    }
    return comparisons;
}

}  // namespace tess
