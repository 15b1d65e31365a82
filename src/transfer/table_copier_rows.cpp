// The rows of one table: read ahead on a thread of their own, written by the plan's writer,
// committed in batches; a failure is the row's own or ends the table (TableEnding decides).
#include <algorithm>
#include <functional>

#include "catalogue/table_presence.h"
#include "common/stop_request.h"
#include "platform/database.h"
#include "platform/read_ahead.h"
#include "transfer/row_writers.h"
#include "transfer/table_copier.h"

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
            endedHere = table_->ending.ends(e, stage, end, interrupt());
            if (!endedHere && !reading) throw;
            if (!endedHere) table_->ending.readingFailed(e.what(), stage);
            endedHere = true;
        } catch (const std::exception& e) {
            if (!reading) throw;
            table_->ending.readingFailed(e.what(), stage);
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
            endedHere = (database && table_->ending.ends(*database, CopyStage::kInsert, End::kTarget, interrupt())) ||
                        table_->ending.rowEnded(&failure, CopyStage::kInsert, database ? &database->details().codes : nullptr) ||
                        targetGone(failure);
            if (!endedHere) throw;
        }
    });
    if (done) table_->ending.rowEnded(nullptr, CopyStage::kInsert);
    watched();
    return done && !endedHere;
}

// After a row failure of a kind not seen just before, whether the target table is still there: a
// table dropped under the copy refuses every row in words no driver code classifies, and would
// otherwise cost a report a row.
bool TableCopier::targetGone(const std::string& failure) {
    if (!table_->ending.newKindOfFailure()) return false;
    if (FindInCatalogue(*ends_.target, table_->target) != CatalogueEntry::kMissing) return false;
    table_->ending.tableGone(failure, CopyStage::kInsert);
    return true;
}

void TableCopier::copyRows(const std::string& table, Recordset& unread, const TablePlan& plan, long long count,
                           TableOutcome& outcome) {
    const long long perCommit = plan.rowsPerCommit;
    RowTally tally;
    tally.insertStep = [&](const std::function<void()>& body) { return insertRow(body); };
    tally.tableEnded = [&] { return table_->ending.writingEnded(); };
    tally.focus = [&](long long row, const std::vector<Value>* values) {
        table_->row = row;
        table_->values = values;
    };
    auto committed = [&] { outcome.rowsWritten = tally.written; };

    // Begun before the bulk INSERT is prepared, so that preparing costs the link no transaction.
    if (perCommit) stepOrEnd(CopyStage::kBegin, [&] { beginRows(); });
    PreparedInserts prepared;
    if (bulk_ && !table_->ending.ended() && !stepOrEnd(CopyStage::kInsert, [&] {
            prepared.row = ends_.target->prepare(plan.bulkInsert);
        })) {
        if (perCommit) endTransaction(committed);
        outcome.ending = table_->ending.ending().value_or(TableOutcome::kNotCopied);
        return;
    }
    const std::unique_ptr<RowWriter> writer = rowWriter(plan, tally, prepared, committed);
    readRows(table, unread, *writer, tally, {count, perCommit}, outcome);
    if (!table_->ending.writingEnded()) writer->finish();
    if (perCommit) endTransaction(committed);
    else committed();
    outcome.rowsRefused = tally.refused;
    outcome.ending = table_->ending.ending().value_or(TableOutcome::kComplete);
    if (auto report = table_->ending.report(table, outcome.rowsWritten)) {
        report->endsTable = true;
        tell(std::move(*report));
    }
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
                if (!std::exchange(prepared.refusalTold, true)) observer_.blockRefused(table_->entry, rows, e.what());
            }
        }
        return at->second.get();
    };
    return BlockRowWriter(tally, {block, *prepared.row}, plan, perBlock);
}

// Where no transaction could be begun, each row committed itself as it went.
void TableCopier::endTransaction(const std::function<void()>& committed) {
    if (!table_->rows) return committed();
    const bool quietly = table_->ending.ended() && table_->ending.ending() != TableOutcome::kStopped;
    if (!quietly && !table_->ending.targetLost()) {
        if (stepOrEnd(CopyStage::kCommit, [&] {
                table_->rows->commit();
                committed();
            }))
            return table_->rows.reset();
    } else if (!table_->ending.targetLost()) {
        try {
            table_->rows->commit();
            committed();
            return table_->rows.reset();
        } catch (const std::exception&) {  // reported already: the failure that ended the table
        }
    }
    // Rolled back even when the target can take no more (a full disk), so that the next table
    // starts clean; where the connection is gone, its transaction went with it.
    try {
        table_->rows->rollback();
    } catch (const DatabaseError& e) {
        rollbackFailed(e);
    }
    table_->rows.reset();
}

void TableCopier::beginRows() {
    table_->rows.reset();
    table_->rows.emplace(*ends_.target, [this](const DatabaseError& e) { rollbackFailed(e); });
}

// Neither committed nor rolled back: said, never swallowed, since what stands is unknown; unless
// the connection is gone, which took its transaction with it.
void TableCopier::rollbackFailed(const DatabaseError& e) {
    if (e.connectionLost() || table_->ending.targetLost()) return;
    CopyFailure failure{CopyStage::kCommit, FailureKind::kFateUnknown, e.what()};
    failure.side = FailureSide::kTarget;
    tell(failure);
}

// Rows are read to the source's end, whatever the count said, on a thread of their own while the
// rows before them are written.
void TableCopier::readRows(const std::string& table, Recordset& unread, RowWriter& writer, const RowTally& tally,
                           RowPace pace, TableOutcome& outcome) {
    const auto [count, perCommit] = pace;
    // Shared, so that a reader stuck in a driver that ignores the cancel can be left behind.
    const auto ahead = std::make_shared<ReadAhead>(unread);
    ReadAhead& source = *ahead;
    for (long long k = 0; !table_->ending.ended(); ++k) {
        if (stopRequested()) {
            writer.finish();
            table_->ending.stop();
            break;
        }
        bool more = false;
        if (!stepOrEnd(CopyStage::kEof, [&] { more = !source.eof(); }, End::kSource) || !more) break;
        if (perCommit && k > 0 && k % perCommit == 0) {
            if (!writer.writesAtOnce()) writer.finish();  // the rows held go in this transaction
            if (table_->ending.ended()) break;
            stepOrEnd(CopyStage::kCommitBatch, [&] {
                if (table_->rows) table_->rows->commit();
                outcome.rowsWritten = tally.written;
                beginRows();
            });
            if (table_->ending.ended()) break;
        }
        if (count > 0) observer_.showProgress(std::min(100.0, (k + 1) * 100.0 / count));
        ++outcome.rowsRead;
        // A row that cannot be read is reported once and not written in part; the read-ahead
        // holds every row together, so it is read in place. Rows written as arrays fail later,
        // when their array goes, so their reports name no row.
        table_->row = writer.writesAtOnce() ? k + 1 : 0;
        const std::vector<Value>* values = nullptr;
        if (stepOrEnd(CopyStage::kReadRow, [&] { values = &source.currentValues(); }, End::kSource)) {
            table_->values = writer.writesAtOnce() ? values : nullptr;
            writer.write(*values, k + 1);
        }
        table_->row = 0;
        table_->values = nullptr;
        if (!perCommit) outcome.rowsWritten = tally.written;
        observer_.rowSent(table, k + 1, count);
        if (table_->ending.ended()) break;
        if (!stepOrEnd(CopyStage::kMoveNext, [&] { source.moveNext(); }, End::kSource)) break;
    }
    source.close();
    if (!source.leftBehind()) return;
    leftReader_ = ahead;  // its source is the reader's now, and so is the connection under it
    ends_.source->abandon();
}

}  // namespace tess
