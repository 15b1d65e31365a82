// The stages of one table's copy before and after its rows: the overwrite question, the source
// opened before anything is dropped, the drop, the CREATE, and the target's tables told.
#include "transfer/table_copier.h"

#include <chrono>
#include <optional>
#include <utility>

#include "common/stop_request.h"
#include "platform/database.h"
#include "platform/read_ahead.h"

namespace tess {
namespace {

// The failure of a call to the target that ends the table: refused, or the connection lost.
CopyFailure TargetEnded(CopyStage stage, const std::exception& e, TableConsequence consequence) {
    const auto* database = dynamic_cast<const DatabaseError*>(&e);
    const bool lost = database && database->connectionLost();
    CopyFailure failure{stage, lost ? FailureKind::kConnectionLost : FailureKind::kTableRefused, e.what()};
    failure.side = FailureSide::kTarget;
    failure.endsTable = true;
    failure.consequence = lost && consequence == TableConsequence::kNoRowsSent ? TableConsequence::kRowsStand
                                                                              : consequence;
    return failure;
}

}  // namespace

TableCopier::TableCopier(CopyEnds ends, TargetTables& targetTables, TransferDirection& direction,
                         CopyObserver& observer, const StopRequest* stop, bool bulk)
    : ends_(ends), targetTables_(targetTables), direction_(direction), observer_(observer), stop_(stop), bulk_(bulk) {}

// A failure that does not end the table is a row's where rows are read and written, else a step's.
void TableCopier::failed(CopyStage stage, const std::string& words, bool endsTable, bool connectionLost) {
    const bool rows = stage == CopyStage::kInsert || stage == CopyStage::kReadRow;
    FailureKind kind = rows ? FailureKind::kRowRefused : FailureKind::kStep;
    if (endsTable) kind = connectionLost ? FailureKind::kConnectionLost : FailureKind::kTableRefused;
    CopyFailure failure{stage, kind, words};
    failure.endsTable = endsTable;
    failure.side = SideOf(stage);
    tell(std::move(failure));
}

void TableCopier::tell(CopyFailure failure) {
    const WaitingForAPerson waiting(*this);
    ++table_->failures;
    failure.table = table_->entry;
    if (failure.target.empty()) failure.target = table_->target;
    // The table's cause is its first failure that is not a row's, or the first that ended it:
    // what a lost connection then costs (a clean-up refused) says nothing new.
    if (failure.row == 0 && (!table_->cause || (failure.endsTable && !table_->cause->endsTable)))
        table_->cause = failure;
    // The same loss again, in the copy made after it: one report for the table.
    const auto& before = table_->cutShort;
    if (before && failure.kind == before->kind && failure.words == before->words) return;
    observer_.failed(failure);
}

bool TableCopier::stopRequested() const {
    const bool requested = stop_ && stop_->requested();
    if (requested) stopHeard();
    return requested;
}

TableOutcome TableCopier::copy(const std::string& entry, const std::optional<CopyFailure>& cutShort) {
    const auto started = std::chrono::steady_clock::now();
    TableOutcome outcome;
    table_.emplace();
    outcome.source = table_->entry = entry;
    table_->cutShort = cutShort;
    outcome.copiedAgain = cutShort ? 1 : 0;
    outcome.target = table_->target = direction_.targetName(entry);
    if (!watchdogThread_)
        watchdogThread_ =
            std::make_unique<CopyWatchdog>(limits_, [this] { cancelStalled(); }, [this] { abandon(); });
    else
        watchdogThread_->rearm(limits_);
    {
        struct Unwatched {  // whatever way the table ends
            TableCopier& copier;
            ~Unwatched() {
                copier.setWatchdog(nullptr);
                copier.watchdogThread_->disarm();
            }
        } unwatched{*this};
        setWatchdog(watchdogThread_.get());
        copyTable(entry, outcome, cutShort.has_value());
    }
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const bool early = outcome.ending == TableOutcome::kConnectionLost || outcome.ending == TableOutcome::kEnded ||
                       outcome.ending == TableOutcome::kNotCopied;
    if (early) outcome.cause = table_->cause;
    outcome.failures = table_->failures;
    observer_.tableDone(outcome);
    return outcome;
}

void TableCopier::copyTable(const std::string& entry, TableOutcome& outcome, bool again) {
    const std::string& table = outcome.target;
    outcome.ending = TableOutcome::kNotCopied;
    const bool listed = targetTables_.holds(table);
    if (listed && !again && !overwriteAnswered(table, outcome)) return;
    // The source is opened before anything is dropped: a table that cannot be read must not cost
    // the existing target table. Without it there is nothing more to do for this table.
    // The key is read before the source is open: a connection may hold one result at a time.
    // A connection lost before anything is written ends the table as lost, so that the run
    // connects again for the next one.
    const auto endedUnlessOpen = [&] {
        if (table_->cause && table_->cause->kind == FailureKind::kConnectionLost)
            outcome.ending = TableOutcome::kConnectionLost;
    };
    SourceFacts facts;
    if (!attempt(CopyStage::kOpenSource, [&] { facts = direction_.readSource(*ends_.source, entry, nameRowsByKey_); },
                 true))
        return endedUnlessOpen();
    const std::vector<std::string> key = facts.key;
    long long count = -1;
    observer_.countingSource(entry);
    attempt(CopyStage::kCount, [&] { count = direction_.countSource(*ends_.source, entry); });
    std::unique_ptr<Recordset> source;
    if (!attempt(CopyStage::kOpenSource, [&] { source = direction_.openSource(*ends_.source, entry); }, true))
        return endedUnlessOpen();
    if (listed && !dropListedTarget(table)) {
        closeSource(source);
        return endedUnlessOpen();
    }
    const std::vector<SourceColumn> columns = readColumns(*source);
    table_->naming = RowNaming(key, columns);
    std::optional<TablePlan> plan = createTarget(table, columns, std::move(facts), outcome);
    if (ends_.targetOpen && plan) {
        runOnTarget(plan->beforeRows);
        RowPump pump(*ends_.source, *ends_.target, observer_, *this, waitingOn_,
                     {bulk_, blockRows_, nameRowsByKey_, stop_, maxRefused_});
        pump.run(entry, table, *source, *plan, table_->naming, count, outcome);
        runOnTarget(plan->afterRows);
    }
    observer_.resetProgress();
    closeSource(source);
    if (!plan) return;
    if (plan->structure) structures_[table] = std::move(*plan->structure);
    listMade(table);
}

// The question names the table that "Yes" drops, as the target's tables spell it. False when the
// table is not to be copied: the answer was No, or the name is one the target cannot tell apart.
bool TableCopier::overwriteAnswered(const std::string& table, TableOutcome& outcome) {
    const std::vector<std::string> alike = targetTables_.alike(table);
    if (copiedAsCaseTwin(table, alike)) return false;
    const std::string& asked = alike.size() == 1 ? alike.front() : table;
    bool yes = overwrite_ == OverwritePolicy::kYes;
    if (overwrite_ != OverwritePolicy::kAsk) observer_.overwriteAnswered(asked, yes);
    else attempt(CopyStage::kAsk, [&] {
        const WaitingForAPerson waiting(*this);
        yes = observer_.overwrite(asked);
    });
    if (!yes) outcome.ending = TableOutcome::kSkipped;
    return yes;
}

std::vector<SourceColumn> TableCopier::readColumns(Recordset& source) {
    std::vector<SourceColumn> columns;
    attempt(CopyStage::kColumns, [&] {
        for (int j = 0; j < source.fieldCount(); ++j) columns.push_back(source.field(j));
    });
    return columns;
}

// The target's tables name the table as it was created, and only tables that exist.
void TableCopier::listMade(const std::string& table) {
    const bool listed = targetTables_.listed(table);
    targetTables_.made(table);
    if (listed) return;
    direction_.targetListChanged(table);
    observer_.targetMade(table);
}

// The CREATE. The rows have nowhere to go when the table could not be expressed for the target or
// the target refused it: a table of that name that the list does not show (hidden, or made since
// the list was filled) must not receive rows that the user did not choose for it.
std::optional<TablePlan> TableCopier::createTarget(const std::string& table, const std::vector<SourceColumn>& columns,
                                                  SourceFacts facts, TableOutcome& outcome) {
    std::optional<TablePlan> plan;
    outcome.ending = TableOutcome::kNotCopied;
    if (!attempt(CopyStage::kCreate, [&] { plan = direction_.plan(table, columns, std::move(facts), bulk_); }, true))
        return std::nullopt;
    try {
        ends_.target->execute(plan->create);
        return plan;
    } catch (const std::exception& e) {
        const CopyFailure failure = TargetEnded(CopyStage::kCreate, e, TableConsequence::kNoRowsSent);
        if (failure.kind == FailureKind::kConnectionLost) outcome.ending = TableOutcome::kConnectionLost;
        tell(failure);
    }
    return std::nullopt;
}

// Settings of the target's session around the rows: a refusal is reported, and the rows still go.
void TableCopier::runOnTarget(const std::vector<std::string>& statements) {
    for (const auto& statement : statements) attempt(CopyStage::kCreate, [&] { ends_.target->execute(statement); });
}

// Two source tables whose names differ only in case are one table to a target that ignores case:
// the second must not replace the copy just made of the first. Said once, and nothing is asked.
bool TableCopier::copiedAsCaseTwin(const std::string& table, const std::vector<std::string>& alike) {
    const std::string& twin = alike.front();
    if (alike.size() != 1 || twin == table || !targetTables_.madeInRun(twin)) return false;
    CopyFailure failure{CopyStage::kAsk, FailureKind::kTableRefused, ""};
    failure.endsTable = true;
    failure.consequence = TableConsequence::kCaseTwin;
    failure.target = table;
    failure.alike = {twin};
    tell(failure);
    return true;
}

// The DROP names the table as the target list spells it: the source's own spelling when listed,
// else the one entry equal to it without regard to case. Where several entries are equal to it
// that way, which one the user meant is unknown: nothing is dropped and the table is skipped.
bool TableCopier::dropListedTarget(const std::string& table) {
    const std::vector<std::string> alike = targetTables_.alike(table);
    const std::string dropped = alike.front();
    if (alike.size() > 1) {
        CopyFailure failure{CopyStage::kDrop, FailureKind::kTableRefused, ""};
        failure.endsTable = true;
        failure.consequence = TableConsequence::kNamesAlike;
        failure.target = table;
        failure.alike = alike;
        tell(failure);
        return false;
    }
    // A DROP that fails leaves the old table, which the rows must not join.
    try {
        ends_.target->execute(direction_.dropStatement(dropped));
    } catch (const std::exception& e) {
        // Cut off with the DROP under way, the old table may be gone or not: never "left as it was".
        CopyFailure failure = TargetEnded(CopyStage::kDrop, e, TableConsequence::kLeftAsItWas);
        if (failure.kind == FailureKind::kConnectionLost) failure.consequence = TableConsequence::kDropUnknown;
        failure.dropped = dropped;
        tell(failure);
        return false;
    }
    targetTables_.dropped(dropped);
    direction_.targetListChanged(dropped);
    observer_.targetDropped(dropped);
    return true;
}

}  // namespace tess
