#include "transfer/table_copier.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>
#include <utility>

#include "catalogue/table_presence.h"
#include "common/sql_literal.h"
#include "common/stop_request.h"
#include "common/text_case.h"
#include "platform/database.h"
#include "platform/read_ahead.h"
#include "platform/transaction.h"
#include "transfer/row_writers.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

// A failure after which the connection can take nothing more ends the table with one report, which
// says how far the copy got; every other failure is the row's own.
[[noreturn]] void EndTable(const DatabaseError& e, const std::string& table, long long written) {
    throw DatabaseError(std::string(e.what()) + "\n" + "The copy of " + table + " ended here; " +
                            std::to_string(written) + " rows of it stand in the target.",
                        true);
}

}  // namespace

TableCopier::TableCopier(CopyEnds ends, TargetTables& targetTables, TransferDirection& direction,
                         CopyObserver& observer, const StopRequest* stop, bool bulk)
    : ends_(ends), targetTables_(targetTables), direction_(direction), observer_(observer), stop_(stop), bulk_(bulk) {}

// A failure that does not end the table is a row's where rows are read and written, else a step's.
FailureKind TableCopier::KindOf(CopyStage stage, bool endsTable, bool connectionLost) {
    if (endsTable) return connectionLost ? FailureKind::kConnectionLost : FailureKind::kTableNotCopied;
    return stage == CopyStage::kInsert || stage == CopyStage::kReadRow ? FailureKind::kRow : FailureKind::kStep;
}

void TableCopier::failed(CopyStage stage, const std::string& description, FailureKind kind) {
    const WaitingForAPerson waiting(*this);
    ++failures_;
    if (reportedRow_ == 0) tableReport_ = description;
    const bool endsTable = kind != FailureKind::kRow && kind != FailureKind::kStep;
    observer_.failed({stage, kind, description, reportedTable_, reportedRow_, reportedRow_ ? rowKey() : "", endsTable});
}

bool TableCopier::stopRequested() const { return stop_ && stop_->requested(); }

TableOutcome TableCopier::copy(const std::string& entry) {
    const auto started = std::chrono::steady_clock::now();
    TableOutcome outcome;
    outcome.source = reportedTable_ = entry;
    outcome.target = targetName_ = direction_.targetName(entry);
    tableReport_.clear();
    failures_ = 0;
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
        copyTable(entry, outcome);
    }
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const bool early = outcome.ending == TableOutcome::kConnectionLost || outcome.ending == TableOutcome::kEnded ||
                       outcome.ending == TableOutcome::kNotCopied;
    if (early) outcome.cause = tableReport_;
    outcome.failures = failures_;
    observer_.tableDone(outcome);
    return outcome;
}

void TableCopier::cancel() noexcept {
    cancelCalls();
    std::lock_guard lock(watchdogMutex_);
    if (watchdog_) watchdog_->cancelled();
}

void TableCopier::cancelCalls() noexcept {
    if (ends_.source) ends_.source->cancel();
    if (ends_.target) ends_.target->cancel();
}

// A stall is the end the copy waits on: a cancel of the other end would refuse a healthy row there.
void TableCopier::cancelStalled() noexcept {
    const Waiting on = waitingOn_.load();
    if (on != Waiting::kTarget && ends_.source) ends_.source->cancel();
    if (on != Waiting::kSource && ends_.target) ends_.target->cancel();
}

TableCopier::WaitingOn::WaitingOn(std::atomic<Waiting>& waiting, Waiting on) : waiting_(waiting) { waiting_ = on; }
TableCopier::WaitingOn::~WaitingOn() { waiting_ = Waiting::kEither; }

void TableCopier::setWatchdog(CopyWatchdog* watchdog) {
    std::lock_guard lock(watchdogMutex_);
    watchdog_ = watchdog;
}

// The columns that name a row in reports: the key's, where each is among the columns; else the first.
void TableCopier::nameRowsBy(const std::vector<SourceColumn>& columns) {
    keyIndices_.clear();
    columnNames_.clear();
    for (const auto& c : columns) columnNames_.push_back(c.name);
    for (const auto& name : keyNames_)
        for (size_t j = 0; j < columns.size(); ++j)
            if (LowerCase(columns[j].name) == LowerCase(name)) keyIndices_.push_back(j);
    if (keyIndices_.size() != keyNames_.size() || keyIndices_.empty()) keyIndices_.assign(columns.empty() ? 0 : 1, 0);
}

std::string TableCopier::rowKey() const {
    if (!nameRowsByKey_ || !reportedValues_) return "";
    std::string key;
    for (size_t j : keyIndices_)
        if (j < reportedValues_->size() && j < columnNames_.size())
            key += (key.empty() ? "" : ", ") + columnNames_[j] + " " +
                   (IsNull((*reportedValues_)[j]) ? std::string("NULL") : QuotedLiteral(ValueText((*reportedValues_)[j])));
    return key;
}

// A source given up for not answering cannot close either; that is no failure of the copy.
// A source whose reader was left in a driver that ignored the cancel is the reader's until it comes
// out: handed over, neither closed nor destroyed here.
void TableCopier::closeSource(std::unique_ptr<Recordset>& source) {
    if (const auto reader = std::exchange(leftReader_, nullptr)) return reader->adopt(std::move(source));
    attempt(CopyStage::kCloseSource, [&] {
        try {
            source->close();
        } catch (const std::exception&) {
            if (!abandoned_) throw;
        }
    });
}

void TableCopier::abandon() noexcept {
    abandoned_ = true;
    if (ends_.source) ends_.source->abandon();
    if (ends_.target) ends_.target->abandon();
}

// Only this thread changes watchdog_, so it reads it without the lock.
void TableCopier::watched() {
    if (watchdog_) watchdog_->progress();
}

TableCopier::WaitingForAPerson::WaitingForAPerson(TableCopier& copier) : copier_(copier) {
    if (copier_.watchdog_) copier_.watchdog_->pause();
}

TableCopier::WaitingForAPerson::~WaitingForAPerson() {
    if (copier_.watchdog_) copier_.watchdog_->resume();
}

TableEnding::Interrupt TableCopier::interrupt() const {
    if (stopRequested()) return TableEnding::Interrupt::kStop;
    std::lock_guard lock(watchdogMutex_);
    return watchdog_ && watchdog_->stalled() ? TableEnding::Interrupt::kStall : TableEnding::Interrupt::kNone;
}

void TableCopier::copyTable(const std::string& entry, TableOutcome& outcome) {
    const std::string& table = outcome.target;
    outcome.ending = TableOutcome::kNotCopied;
    const bool listed = targetTables_.holds(table);
    if (listed && !overwriteAnswered(table, outcome)) return;
    // The source is opened before anything is dropped: a table that cannot be read must not cost
    // the existing target table. Without it there is nothing more to do for this table.
    // The key is read before the source is open: a connection may hold one result at a time.
    SourceFacts facts = direction_.readSource(*ends_.source, entry, nameRowsByKey_);
    keyNames_ = facts.key;
    long long count = -1;
    attempt(CopyStage::kCount, [&] { count = direction_.countSource(*ends_.source, entry); });
    std::unique_ptr<Recordset> source;
    if (!attempt(CopyStage::kOpenSource, [&] { source = direction_.openSource(*ends_.source, entry); }, true))
        return;
    if (listed && !dropListedTarget(table)) {
        closeSource(source);
        return;
    }
    const std::vector<SourceColumn> columns = readColumns(*source);
    nameRowsBy(columns);
    std::optional<TablePlan> plan = createTarget(table, columns, std::move(facts), outcome);
    if (ends_.targetOpen && plan) {
        runOnTarget(plan->beforeRows);
        copyRows(table, *source, *plan, count, outcome);
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
    bool lost = false;
    std::optional<TablePlan> plan;
    const bool created = attempt(CopyStage::kCreate, [&] {
        plan = direction_.plan(table, columns, std::move(facts), bulk_);
        try {
            ends_.target->execute(plan->create);
        } catch (const DatabaseError& e) {
            lost = e.connectionLost();
            if (lost) EndTable(e, table, 0);
            throw DatabaseError(std::string(e.what()) + "\n" + table + " was not copied: no rows were sent to it.",
                                e.details());
        }
    }, true);
    if (created) return plan;
    outcome.ending = lost ? TableOutcome::kConnectionLost : TableOutcome::kNotCopied;
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
    attempt(CopyStage::kAsk, [&] {
        throw TableRefused(table + " and " + twin + " differ only in case, which the target takes for one name: " +
                           twin + ", copied just before, was not replaced, and " + table + " was not copied.");
    }, true);
    return true;
}

// The DROP names the table as the target list spells it: the source's own spelling when listed,
// else the one entry equal to it without regard to case. Where several entries are equal to it
// that way, which one the user meant is unknown: nothing is dropped and the table is skipped.
bool TableCopier::dropListedTarget(const std::string& table) {
    const std::vector<std::string> alike = targetTables_.alike(table);
    const std::string dropped = alike.front();
    if (alike.size() > 1) {
        attempt(CopyStage::kDrop, [&] {
            std::string names;
            for (const auto& name : alike) names += (names.empty() ? "" : ", ") + name;
            throw TableRefused("More than one table matches " + table + " without regard to case (" + names +
                               "); none was replaced, and " + table + " was not copied.");
        }, true);
        return false;
    }
    // A DROP that fails leaves the old table, which the rows must not join.
    const bool gone = attempt(CopyStage::kDrop, [&] {
        try {
            ends_.target->execute(direction_.dropStatement(dropped));
        } catch (const DatabaseError& e) {
            throw DatabaseError(std::string(e.what()) + "\n" + dropped + " was left as it was, and " + table +
                                    " was not copied.",
                                e.details());
        }
    }, true);
    if (gone) {
        targetTables_.dropped(dropped);
        direction_.targetListChanged(dropped);
        observer_.targetDropped(dropped);
    }
    return gone;
}

}  // namespace tess

namespace tess {

// A source that cannot say whether there is a next row, or move to it, ends the reading: the rows
// after it were never read, and the table is not complete.
bool TableCopier::stepOrEnd(CopyStage stage, const std::function<void()>& body, End end) {
    bool endedHere = false;
    const bool reading = end == End::kSource && stage != CopyStage::kReadRow;
    const bool done = attempt(stage, [&] {
        try {
            const WaitingOn waiting(waitingOn_, end == End::kSource ? Waiting::kSource : Waiting::kTarget);
            body();
        } catch (const DatabaseError& e) {
            endedHere = ending_.ends(e, stage, end, interrupt());
            if (!endedHere && !reading) throw;
            if (!endedHere) ending_.readingFailed(e.what(), stage);
            endedHere = true;
        } catch (const std::exception& e) {
            if (!reading) throw;
            ending_.readingFailed(e.what(), stage);
            endedHere = true;
        }
    });
    watched();
    return done && !endedHere;
}

// A row's INSERT: its failure is reported for the row, unless it ends the table.
bool TableCopier::insertRow(const std::function<void()>& body) {
    bool endedHere = false;
    const bool done = attempt(CopyStage::kInsert, [&] {
        try {
            const WaitingOn waiting(waitingOn_, Waiting::kTarget);
            body();
        } catch (const std::exception& e) {
            const auto* database = dynamic_cast<const DatabaseError*>(&e);
            const std::string failure = e.what();
            endedHere = (database && ending_.ends(*database, CopyStage::kInsert, End::kTarget, interrupt())) ||
                        ending_.rowEnded(&failure, CopyStage::kInsert, database ? &database->details().codes : nullptr) ||
                        targetGone(failure);
            if (!endedHere) throw;
        }
    });
    if (done) ending_.rowEnded(nullptr, CopyStage::kInsert);
    watched();
    return done && !endedHere;
}

// After a row failure of a kind not seen just before, whether the target table is still there: a
// table dropped under the copy refuses every row in words no driver code classifies, and would
// otherwise cost a report a row.
bool TableCopier::targetGone(const std::string& failure) {
    if (!ending_.newKindOfFailure()) return false;
    if (FindInCatalogue(*ends_.target, targetName_) != CatalogueEntry::kMissing) return false;
    ending_.tableGone(failure, CopyStage::kInsert);
    return true;
}

void TableCopier::copyRows(const std::string& table, Recordset& unread, const TablePlan& plan, long long count,
                           TableOutcome& outcome) {
    const long long perCommit = plan.rowsPerCommit;
    ending_ = TableEnding();
    RowTally tally;
    tally.insertStep = [&](const std::function<void()>& body) { return insertRow(body); };
    tally.tableEnded = [&] { return ending_.writingEnded(); };
    tally.focus = [&](long long row, const std::vector<Value>* values) {
        reportedRow_ = row;
        reportedValues_ = values;
    };
    auto committed = [&] { outcome.rowsWritten = tally.written; };

    // Begun before the bulk INSERT is prepared, so that preparing costs the link no transaction.
    if (perCommit) stepOrEnd(CopyStage::kBegin, [&] { beginRows(); });
    PreparedInserts prepared;
    if (bulk_ && !ending_.ended() && !stepOrEnd(CopyStage::kInsert, [&] {
            prepared.row = ends_.target->prepare(plan.bulkInsert);
        })) {
        if (perCommit) endTransaction(committed);
        outcome.ending = ending_.ending().value_or(TableOutcome::kNotCopied);
        return;
    }
    const std::unique_ptr<RowWriter> writer = rowWriter(plan, tally, prepared, committed);
    readRows(table, unread, *writer, tally, {count, perCommit}, outcome);
    if (!ending_.writingEnded()) writer->finish();
    if (perCommit) endTransaction(committed);
    else committed();
    outcome.rowsRefused = tally.refused;
    outcome.ending = ending_.ending().value_or(TableOutcome::kComplete);
    if (const auto report = ending_.report(table, outcome.rowsWritten))
        failed(report->stage, report->description,
               outcome.ending == TableOutcome::kConnectionLost ? FailureKind::kConnectionLost : FailureKind::kTableEnded);
}

// The rows' writer: a literal statement a row, or in bulk mode the one-row INSERT prepared, in arrays
// or in blocks where the target takes them. A block size that the target will not prepare leaves
// its rows to go one by one, which the observer hears once.
std::unique_ptr<RowWriter> TableCopier::rowWriter(const TablePlan& plan, RowTally& tally, PreparedInserts& prepared,
                                                  const std::function<void()>& committed) {
    if (!prepared.row) return LiteralRowWriter(tally, *ends_.target, plan);
    if (plan.bulkBatch) return ArrayRowWriter(tally, *ends_.target, *prepared.row, plan, committed);
    const size_t perBlock = blockRows_ ? blockRows_ : plan.blockRows;
    if (perBlock < 2) return PreparedRowWriter(tally, *prepared.row, plan);
    auto block = [this, &prepared, &plan](size_t rows) -> PreparedStatement* {
        auto [at, fresh] = prepared.blocks.try_emplace(rows);
        if (fresh) {
            try {
                at->second = ends_.target->prepare(BlockInsert(plan, rows));
            } catch (const DatabaseError& e) {
                if (e.connectionLost() || e.cancelled()) throw;
                if (!std::exchange(prepared.refusalTold, true)) observer_.blockRefused(reportedTable_, rows, e.what());
            }
        }
        return at->second.get();
    };
    return BlockRowWriter(tally, {block, *prepared.row}, plan, perBlock);
}

// Where no transaction could be begun, each row committed itself as it went.
void TableCopier::endTransaction(const std::function<void()>& committed) {
    if (!rows_) return committed();
    const bool quietly = ending_.ended() && ending_.ending() != TableOutcome::kStopped;
    if (!quietly && !ending_.targetLost()) {
        if (stepOrEnd(CopyStage::kCommit, [&] {
                rows_->commit();
                committed();
            }))
            return rows_.reset();
    } else if (!ending_.targetLost()) {
        try {
            rows_->commit();
            committed();
            return rows_.reset();
        } catch (const std::exception&) {  // reported already: the failure that ended the table
        }
    }
    // Rolled back even when the target can take no more (a full disk), so that the next table
    // starts clean; where the connection is gone, its transaction went with it.
    try {
        rows_->rollback();
    } catch (const DatabaseError& e) {
        rollbackFailed(e);
    }
    rows_.reset();
}

void TableCopier::beginRows() {
    rows_.reset();
    rows_.emplace(*ends_.target, [this](const DatabaseError& e) { rollbackFailed(e); });
}

// Neither committed nor rolled back: said, never swallowed, since what stands is unknown; unless
// the connection is gone, which took its transaction with it.
void TableCopier::rollbackFailed(const DatabaseError& e) {
    if (e.connectionLost() || ending_.targetLost()) return;
    attempt(CopyStage::kCommit, [&] {
        throw DatabaseError(std::string(e.what()) + "\nThe rows' transaction could be neither committed nor "
                                                 "rolled back: whether its last rows stand is not known.",
                            e.details());
    });
}

// Rows are read to the source's end, whatever the count said, on a thread of their own while the
// rows before them are written.
void TableCopier::readRows(const std::string& table, Recordset& unread, RowWriter& writer, const RowTally& tally,
                           RowPace pace, TableOutcome& outcome) {
    const auto [count, perCommit] = pace;
    // Shared, so that a reader stuck in a driver that ignores the cancel can be left behind.
    const auto ahead = std::make_shared<ReadAhead>(unread);
    ReadAhead& source = *ahead;
    for (long long k = 0; !ending_.ended(); ++k) {
        if (stopRequested()) {
            writer.finish();
            ending_.stop();
            break;
        }
        bool more = false;
        if (!stepOrEnd(CopyStage::kEof, [&] { more = !source.eof(); }, End::kSource) || !more) break;
        if (perCommit && k > 0 && k % perCommit == 0) {
            if (!writer.writesAtOnce()) writer.finish();  // the rows held go in this transaction
            if (ending_.ended()) break;
            stepOrEnd(CopyStage::kCommitBatch, [&] {
                if (rows_) rows_->commit();
                outcome.rowsWritten = tally.written;
                beginRows();
            });
            if (ending_.ended()) break;
        }
        if (count > 0) observer_.showProgress(std::min(100.0, (k + 1) * 100.0 / count));
        ++outcome.rowsRead;
        // A row that cannot be read is reported once and not written in part; the read-ahead
        // holds every row together, so it is read in place. Rows written as arrays fail later,
        // when their array goes, so their reports name no row.
        reportedRow_ = writer.writesAtOnce() ? k + 1 : 0;
        const std::vector<Value>* values = nullptr;
        if (stepOrEnd(CopyStage::kReadRow, [&] { values = &source.currentValues(); }, End::kSource)) {
            reportedValues_ = writer.writesAtOnce() ? values : nullptr;
            writer.write(*values, k + 1);
        }
        reportedRow_ = 0;
        reportedValues_ = nullptr;
        if (!perCommit) outcome.rowsWritten = tally.written;
        observer_.rowSent(table, k + 1, count);
        if (ending_.ended()) break;
        if (!stepOrEnd(CopyStage::kMoveNext, [&] { source.moveNext(); }, End::kSource)) break;
    }
    source.close();
    if (!source.leftBehind()) return;
    leftReader_ = ahead;  // its source is the reader's now, and so is the connection under it
    ends_.source->abandon();
}

}  // namespace tess
