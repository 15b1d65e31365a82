#include "transfer/transfer_run.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "common/stop_request.h"
#include "connect/reconnect.h"
#include "transfer/to_firebird.h"
#include "transfer/to_sqlserver.h"

namespace tess {
namespace {

// The direction and copier over the current connections, made anew after the connections were;
// the keys of the tables copied before are kept.
class Run {
public:
    Run(const TransferPlan& plan, TransferEnds& ends, TransferObserver& observer)
        : plan_(plan), ends_(ends), observer_(observer), targets_(plan.targetTables) {
        start();
    }

    TableOutcome copy(const std::string& entry, const std::optional<CopyFailure>& cutShort = std::nullopt) {
        return copier_->copy(entry, cutShort);
    }
    // From another thread, for a stop: the calls under way give up.
    void cancel() noexcept {
        std::lock_guard lock(copierMutex_);
        if (copier_) copier_->cancel();
    }
    bool gaveUp() const { return gaveUp_ || (copier_ && copier_->gaveUp()); }
    bool sourceLeftBehind() const { return copier_ && copier_->leftSourceBehind(); }
    bool reconnect(std::string& why);
    bool renew(std::string& why);
    std::vector<StructureOutcome> makeKeys(const std::vector<TableOutcome>& outcomes);

private:
    void start();
    void keepStructures();

    const TransferPlan& plan_;
    TransferEnds& ends_;
    TransferObserver& observer_;
    TargetTables targets_;
    std::map<std::string, StructurePlan> structures_;  // of the tables made, from every copier
    std::optional<ConstraintNames> namesTaken_;  // by the keys of every table, across new connections
    std::unique_ptr<TableCopier> copier_;
    std::unique_ptr<TransferDirection> direction_;  // the copier's, after it
    std::mutex copierMutex_;  // a stop's cancel comes from another thread
    bool gaveUp_ = false;
};

void Run::start() {
    auto direction = plan_.toFirebird ? ToFirebird(ends_.target(), plan_.sqlServerNames, plan_.keys, namesTaken_)
                                      : ToSqlServer(plan_.sqlServerNames, plan_.keys, namesTaken_);
    auto copier = std::make_unique<TableCopier>(CopyEnds{ends_.source(), ends_.target(), ends_.targetOpen()},
                                                targets_, *direction, observer_, plan_.stop, plan_.bulk);
    copier->setLimits(plan_.limits);
    if (plan_.blockRows) copier->setBlockRows(plan_.blockRows);
    if (plan_.nameRowsByKey) copier->nameRowsByKey();
    copier->setOverwrite(plan_.overwrite);
    copier->setMaxRefused(plan_.maxRefused);
    std::lock_guard lock(copierMutex_);
    copier_ = std::move(copier);
    direction_ = std::move(direction);
}

void Run::keepStructures() {
    if (copier_) structures_.merge(copier_->takeStructures());
}

// The copier goes before the connections it used are made again, so that a stop's cancel never
// reaches a connection being replaced.
bool Run::reconnect(std::string& why) {
    {
        std::lock_guard lock(copierMutex_);
        gaveUp_ = gaveUp();
        keepStructures();
        copier_.reset();
    }
    const auto pass = [this](std::chrono::seconds wait, int attempt, int attempts) {
        return observer_.waitToReconnect(wait, attempt, attempts);
    };
    if (!ConnectAgain(pass, [this] { ends_.reopen(); }, why)) return false;
    start();
    observer_.reconnected();
    return true;
}

// The connections made again at once, and the copier with them: the next table must not share a
// connection that a reader left in its driver still fetches on. Where they do not open, as after
// a lost connection.
bool Run::renew(std::string& why) {
    {
        std::lock_guard lock(copierMutex_);
        gaveUp_ = gaveUp();
        keepStructures();
        copier_.reset();
    }
    try {
        ends_.reopen();
    } catch (const std::exception& e) {
        why = e.what();
        return reconnect(why);
    }
    start();
    return true;
}

// The structure of each table whose rows went in, then every foreign key, each refusal told once;
// under the rows' rules: a lost connection is made again, a stop ends the phase before the next
// statement, and a statement that does not come back within the stall time-out is cancelled and
// ends it.
std::vector<StructureOutcome> Run::makeKeys(const std::vector<TableOutcome>& outcomes) {
    CopyWatchdog watchdog(
        plan_.limits, [this] { ends_.target()->cancel(); },
        [this] {
            gaveUp_ = true;
            ends_.target()->abandon();
        });
    StructureMaker::Watch watch{[this] { return plan_.stop && plan_.stop->requested(); },
                                [&watchdog] { return watchdog.stalled(); }, [&watchdog] { watchdog.progress(); },
                                [this, &watchdog]() -> Connection* {
                                    watchdog.pause();  // the waits between tries are no stall
                                    std::string why;
                                    const bool back = reconnect(why);
                                    watchdog.resume();
                                    return back ? ends_.target() : nullptr;
                                }};
    StructureMaker maker(
        *ends_.target(),
        [this, &watchdog](const std::string& table, const std::string& what, const std::string& why) {
            watchdog.pause();  // a person may be reading the report
            observer_.structureRefused(table, what, why);
            watchdog.resume();
        },
        std::move(watch));
    keepStructures();
    for (const auto& o : outcomes) {
        const auto structure = structures_.find(o.target);
        if (structure != structures_.end() && o.ending != TableOutcome::kNotCopied &&
            o.ending != TableOutcome::kSkipped && o.ending != TableOutcome::kConnectionLost)
            maker.make(o.target, std::move(structure->second));
    }
    maker.makeForeignKeys();
    return maker.outcomes();
}

// A table, and once more from its start when a lost connection cut it short and came back: the
// run made the table, or was told to replace it, so it may drop it and make it again. Cut short
// again, it is left so. False when the connection did not come back.
bool CopyTable(Run& run, const TransferPlan& plan, size_t i, TransferObserver& observer, TransferResult& result) {
    observer.tableStarting(i);
    TableOutcome outcome = run.copy(plan.tables[i]);
    if (outcome.ending == TableOutcome::kConnectionLost && !run.gaveUp()) {
        if (!run.reconnect(result.why)) {
            result.tables.push_back(std::move(outcome));
            return false;
        }
        observer.tableCopiedAgain(i);
        outcome = run.copy(plan.tables[i], outcome.cause.value_or(CopyFailure{CopyStage::kInsert,
                                                                               FailureKind::kConnectionLost, ""}));
    }
    result.tables.push_back(std::move(outcome));
    return true;
}

// A table cut short by a lost connection is copied again once the connection is back; one still
// lost after that leaves new connections for what follows (the next table, or the keys after the
// last). A server given up for not answering is not waited on again.
void RunTables(const TransferPlan& plan, TransferEnds& ends, TransferObserver& observer, TransferResult& result) {
    const auto stopped = [&plan] { return plan.stop && plan.stop->requested(); };
    const auto unreachable = [&] {
        result.end = stopped() ? TransferResult::End::kStopped : TransferResult::End::kUnreachable;
    };
    Run run(plan, ends, observer);
    const CancelOnStop cancelling(plan.stop, [&run] { run.cancel(); });
    for (size_t i = 0; i < plan.tables.size() && result.end == TransferResult::End::kDone; ++i) {
        if (stopped()) {
            result.end = TransferResult::End::kStopped;
            break;
        }
        if (!CopyTable(run, plan, i, observer, result)) {
            unreachable();
            break;
        }
        if (i + 1 == plan.tables.size() && !plan.keys) break;  // nothing follows
        if (run.gaveUp())
            result.end = TransferResult::End::kGivenUp;
        else if (result.tables.back().ending == TableOutcome::kConnectionLost && !run.reconnect(result.why))
            unreachable();
        else if (run.sourceLeftBehind() && !run.renew(result.why))
            unreachable();
    }
    if (result.end == TransferResult::End::kDone && stopped()) result.end = TransferResult::End::kStopped;
    result.serverGivenUp = run.gaveUp();
    if (plan.keys && result.end == TransferResult::End::kDone && !result.serverGivenUp)
        result.structure = run.makeKeys(result.tables);
}

}  // namespace

// Whatever fails that nothing foresaw (an observer that throws, a thread that cannot start) ends the
// run here, with the outcomes so far, rather than the program: the caller still writes its summary,
// and the copy under way rolled back what it had not committed on its way out.
TransferResult RunTransfer(const TransferPlan& plan, TransferEnds& ends, TransferObserver& observer) {
    TransferResult result;
    try {
        RunTables(plan, ends, observer, result);
    } catch (const std::exception& e) {
        result.end = TransferResult::End::kBroken;
        result.why = e.what();
    } catch (...) {
        result.end = TransferResult::End::kBroken;
        result.why = "Unknown error";
    }
    return result;
}

}  // namespace tess
