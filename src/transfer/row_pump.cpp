#include "transfer/row_pump.h"

#include <algorithm>
#include <utility>

#include "catalogue/table_presence.h"
#include "common/stop_request.h"
#include "platform/database.h"
#include "platform/read_ahead.h"
#include "transfer/row_writers.h"

namespace tess {
namespace {

// A refused row as the literal path would send it, so that it can be sent again once its cause is
// mended: a value too long for a literal goes as a parameter, which no script carries.
void RenderRow(const TablePlan& plan, const std::vector<Value>& values, CopyFailure& failure) {
    try {
        Statement insert = LiteralInsert(plan, values);
        if (insert.parameters.empty()) failure.rowStatement = std::move(insert.text);
        else failure.noRowStatement = "a value of the row is too long for a literal";
    } catch (const std::exception& e) {
        failure.noRowStatement = e.what();
    }
}

}  // namespace

RowPump::RowPump(Connection& source, Connection& target, CopyObserver& observer, RowGuard& guard,
                 std::atomic<Waiting>& waitingOn, Settings settings)
    : source_(source), target_(target), observer_(observer), guard_(guard), waitingOn_(waitingOn), settings_(settings) {
    ending_.setMaxRefused(settings.maxRefused);
}

RowPump::~RowPump() = default;

// Runs one step: a failure is told, with the row being read or written, and false returned.
template <class Body>
bool RowPump::attempt(CopyStage stage, Body&& body) {
    try {
        body();
        return true;
    } catch (const DatabaseError& e) {
        failed(stage, e.what(), &e.details().codes);
    } catch (const std::exception& e) {
        failed(stage, e.what());
    } catch (...) {
        failed(stage, "Unknown error");
    }
    return false;
}

// A failure that does not end the table: a row's where rows are read and written, else a step's.
void RowPump::failed(CopyStage stage, const std::string& words, const DriverCodes* codes) {
    const bool rows = stage == CopyStage::kInsert || stage == CopyStage::kReadRow;
    CopyFailure failure{stage, rows ? FailureKind::kRowRefused : FailureKind::kStep, words};
    failure.side = SideOf(stage);
    failure.row = row_;
    if (rows) failure.cause = TableEnding::CauseOf(words, codes);
    if (rows && values_ && plan_) RenderRow(*plan_, *values_, failure);
    if (rows && row_ && !values_)
        failure.noRowStatement = stage == CopyStage::kReadRow ? "its values could not be read"
                                                              : "its values were too long to keep for this report";
    if (row_ && settings_.nameRowsByKey && naming_) failure.rowKey = naming_->name(values_);
    guard_.tell(std::move(failure));
}


// A source that cannot say whether there is a next row, or move to it, ends the reading: the rows
// after it were never read, and the table is not complete.
bool RowPump::stepOrEnd(CopyStage stage, const std::function<void()>& body, End end) {
    bool endedHere = false;
    const bool reading = end == End::kSource && stage != CopyStage::kReadRow;
    const bool done = attempt(stage, [&] {
        try {
            const WaitingOn waiting(waitingOn_, end == End::kSource ? Waiting::kSource : Waiting::kTarget);
            body();
        } catch (const DatabaseError& e) {
            endedHere = ending_.ends(e, stage, end, guard_.interrupt());
            if (!endedHere && !reading) throw;
            if (!endedHere) ending_.readingFailed(e.what(), stage);
            endedHere = true;
        } catch (const std::exception& e) {
            if (!reading) throw;
            ending_.readingFailed(e.what(), stage);
            endedHere = true;
        }
    });
    guard_.watched();
    return done && !endedHere;
}

// A row's INSERT: its failure is reported for the row, unless it ends the table.
bool RowPump::insertRow(const std::function<void()>& body) {
    bool endedHere = false;
    const bool done = attempt(CopyStage::kInsert, [&] {
        try {
            const WaitingOn waiting(waitingOn_, Waiting::kTarget);
            body();
        } catch (const std::exception& e) {
            const auto* database = dynamic_cast<const DatabaseError*>(&e);
            const std::string failure = e.what();
            endedHere = (database && ending_.ends(*database, CopyStage::kInsert, End::kTarget, guard_.interrupt())) ||
                        ending_.rowEnded(&failure, CopyStage::kInsert, database ? &database->details().codes : nullptr,
                                         database && database->rowValues()) ||
                        targetGone(failure);
            if (!endedHere) throw;
        }
    });
    if (done) ending_.rowEnded(nullptr, CopyStage::kInsert);
    guard_.watched();
    return done && !endedHere;
}

// After a row failure of a kind not seen just before, whether the target table is still there: a
// table dropped under the copy refuses every row in words no driver code classifies, and would
// otherwise cost a report a row.
bool RowPump::targetGone(const std::string& failure) {
    if (!ending_.newKindOfFailure()) return false;
    if (FindInCatalogue(target_, table_) != CatalogueEntry::kMissing) return false;
    ending_.tableGone(failure, CopyStage::kInsert);
    return true;
}

void RowPump::run(const std::string& entry, const std::string& table, Recordset& unread, const TablePlan& plan,
                  const RowNaming& naming, long long count, TableOutcome& outcome) {
    entry_ = entry;
    table_ = table;
    naming_ = &naming;
    plan_ = &plan;
    const long long perCommit = plan.rowsPerCommit;
    RowTally tally;
    tally.insertStep = [&](const std::function<void()>& body) { return insertRow(body); };
    tally.tableEnded = [&] { return ending_.writingEnded(); };
    tally.onTarget = [this](const std::function<void()>& call) {
        const WaitingOn waiting(waitingOn_, Waiting::kTarget);
        call();
    };
    tally.focus = [this](long long row, const std::vector<Value>* values) {
        row_ = row;
        values_ = values;
    };
    auto committed = [&] { outcome.rowsWritten = tally.written; };

    // Begun before the bulk INSERT is prepared, so that preparing costs the link no transaction.
    if (perCommit) stepOrEnd(CopyStage::kBegin, [&] { beginRows(); });
    if (settings_.bulk && !ending_.ended() && !stepOrEnd(CopyStage::kInsert, [&] {
            prepared_.row = target_.prepare(plan.bulkInsert);
        })) {
        if (perCommit) endTransaction(committed);
        outcome.ending = ending_.ending().value_or(TableOutcome::kNotCopied);
        return tellEnding(table, outcome);
    }
    const std::unique_ptr<RowWriter> writer = rowWriter(plan, tally, committed);
    readRows(unread, *writer, tally, {count, perCommit}, outcome);
    if (!ending_.writingEnded()) writer->finish();
    if (perCommit) endTransaction(committed);
    else committed();
    outcome.rowsRefused = tally.refused;
    outcome.ending = ending_.ending().value_or(TableOutcome::kComplete);
    if (commitCut_) outcome.rowsFateUnknown = tally.written - outcome.rowsWritten;
    tellEnding(table, outcome);
}

// The failure that ended the table, told once: a lost connection while the bulk INSERT was
// prepared as much as one among the rows.
void RowPump::tellEnding(const std::string& table, const TableOutcome& outcome) {
    if (auto report = ending_.report(table, outcome.rowsWritten)) {
        report->rowsFateUnknown = outcome.rowsFateUnknown;
        report->endsTable = true;
        guard_.tell(std::move(*report));
    }
}

// The rows' writer: a literal statement a row, or in bulk mode the one-row INSERT prepared, in arrays
// or in blocks where the target takes them. A block size that the target will not prepare leaves
// its rows to go one by one, which the observer hears once.
std::unique_ptr<RowWriter> RowPump::rowWriter(const TablePlan& plan, RowTally& tally,
                                              const std::function<void()>& committed) {
    PreparedInserts& prepared = prepared_;
    if (!prepared.row) return LiteralRowWriter(tally, target_, plan);
    if (plan.bulkBatch) return ArrayRowWriter(tally, target_, *prepared.row, plan, committed);
    const size_t perBlock = settings_.blockRows ? settings_.blockRows : plan.blockRows;
    if (perBlock < 2) return PreparedRowWriter(tally, *prepared.row, plan);
    auto block = [this, &prepared, &plan](size_t rows) -> PreparedStatement* {
        auto [at, fresh] = prepared.blocks.try_emplace(rows);
        if (fresh) {
            try {
                at->second = target_.prepare(BlockInsert(plan, rows));
            } catch (const DatabaseError& e) {
                if (e.connectionLost() || e.cancelled()) throw;
                if (!std::exchange(prepared.refusalTold, true)) observer_.blockRefused(entry_, rows, e.what());
            }
        }
        return at->second.get();
    };
    return BlockRowWriter(tally, {block, *prepared.row}, plan, perBlock);
}

// A commit the lost connection cut off may or may not have reached the server: the fate of its rows
// is not known, and is said so rather than counted either way.
void RowPump::commitRows() {
    try {
        rows_->commit();
    } catch (const DatabaseError& e) {
        if (e.connectionLost()) commitCut_ = true;
        throw;
    }
}

// Where no transaction could be begun, each row committed itself as it went.
void RowPump::endTransaction(const std::function<void()>& committed) {
    if (!rows_) return committed();
    const bool quietly = ending_.ended() && ending_.ending() != TableOutcome::kStopped;
    if (!quietly && !ending_.targetLost()) {
        if (stepOrEnd(CopyStage::kCommit, [&] {
                commitRows();
                committed();
            }))
            return rows_.reset();
    } else if (!ending_.targetLost()) {
        try {
            commitRows();
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

void RowPump::beginRows() {
    rows_.reset();
    rows_.emplace(target_, [this](const DatabaseError& e) { rollbackFailed(e); });
}

// Neither committed nor rolled back: said, never swallowed, since what stands is unknown; unless
// the connection is gone, which took its transaction with it.
void RowPump::rollbackFailed(const DatabaseError& e) {
    if (e.connectionLost() || ending_.targetLost()) return;
    CopyFailure failure{CopyStage::kCommit, FailureKind::kFateUnknown, e.what()};
    failure.side = FailureSide::kTarget;
    guard_.tell(failure);
}

// Rows are read to the source's end, whatever the count said, on a thread of their own while the
// rows before them are written.
void RowPump::readRows(Recordset& unread, RowWriter& writer, const RowTally& tally, RowPace pace,
                       TableOutcome& outcome) {
    const auto [count, perCommit] = pace;
    // Shared, so that a reader stuck in a driver that ignores the cancel can be left behind.
    const auto ahead = std::make_shared<ReadAhead>(unread);
    ReadAhead& source = *ahead;
    for (long long k = 0; !ending_.ended(); ++k) {
        if ((settings_.stop && settings_.stop->requested())) {
            guard_.stopHeard();
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
                if (rows_) commitRows();
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
        row_ = writer.writesAtOnce() ? k + 1 : 0;
        const std::vector<Value>* values = nullptr;
        if (stepOrEnd(CopyStage::kReadRow, [&] { values = &source.currentValues(); }, End::kSource)) {
            values_ = writer.writesAtOnce() ? values : nullptr;
            writer.write(*values, k + 1);
        }
        row_ = 0;
        values_ = nullptr;
        if (!perCommit) outcome.rowsWritten = tally.written;
        observer_.rowSent(table_, k + 1, count);
        if (ending_.ended()) break;
        if (!stepOrEnd(CopyStage::kMoveNext, [&] { source.moveNext(); }, End::kSource)) break;
    }
    source.close();
    if (!source.leftBehind()) return;
    guard_.leaveBehind(ahead);  // its source is the reader's now, and so is the connection under it
    source_.abandon();
}

}  // namespace tess
