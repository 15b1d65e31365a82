#include "transfer/table_transfer.h"

#include <algorithm>
#include <chrono>

#include "common/stop_request.h"
#include "common/text_case.h"
#include "platform/database.h"
#include "platform/read_ahead.h"
#include "platform/toolkit.h"
#include "routines/error_trap.h"
#include "routines/helpers.h"
#include "transfer/table_outcome.h"

namespace tess {
namespace {

bool Listed(const TableList& list, const std::string& name) {
    for (int i = 0; i < list.listCount(); ++i)
        if (list.item(i) == name) return true;
    return false;
}

// A failure after which the connection can take nothing more ends the table with one report, which
// says how far the copy got; every other failure is the row's own.
[[noreturn]] void EndTable(const DatabaseError& e, const std::string& table, long long written) {
    throw DatabaseError(std::string(e.what()) + "\n" + "The copy of " + table + " ended here; " +
                            std::to_string(written) + " rows of it stand in the target.",
                        true);
}

class OneTable {
public:
    OneTable(const TransferRoad& road, const TableSteps& steps, TransferDirection& direction)
        : road_(road), trap_(road.trap), steps_(steps), direction_(direction) {}

    void send(int index) {
        if (!trap_.test(steps_.selected, [&] { return road_.sourceList.selected(index); })) return;
        std::string entry;
        if (!trap_.step(steps_.name, [&] { entry = road_.sourceList.item(index); })) return;
        const auto started = std::chrono::steady_clock::now();
        TableOutcome outcome{entry, direction_.targetName(entry)};
        copy(entry, outcome);
        outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (road_.controls.tableDone) road_.controls.tableDone(outcome);
    }

private:
    void copy(const std::string& entry, TableOutcome& outcome) {
        const std::string& table = outcome.target;
        outcome.ending = TableOutcome::kNotCopied;
        int answer = 0;
        if (trap_.test(steps_.listed, [&] { return ListContains(road_.targetList, table); }))
            trap_.step(steps_.ask, [&] {
                answer = road_.toolkit.messageBox("Would you like to overwrite " + table + "?", kYesNo, "Overwrite?");
            });
        if (answer == kAnswerNo) {
            outcome.ending = TableOutcome::kSkipped;
            return;
        }
        // The source is opened before anything is dropped: a table that cannot be read must not
        // cost the existing target table. Without it there is nothing more to do for this table.
        std::unique_ptr<Recordset> source;
        if (!trap_.step(steps_.openSource, [&] { source = direction_.openSource(*road_.source, entry); })) return;
        if (answer == kAnswerYes && !dropListedTarget(table)) {
            trap_.step(steps_.closeSource, [&] { source->close(); });
            return;
        }
        std::vector<SourceColumn> columns;
        trap_.step(steps_.columns, [&] {
            for (int j = 0; j < source->fieldCount(); ++j) {
                road_.toolkit.doEvents();
                columns.push_back(source->field(j));
            }
        });
        bool refused = false, lost = false;
        const bool created = trap_.step(steps_.create, [&] {
            std::string create;
            try {
                create = direction_.createStatement(table, columns);
            } catch (const TableRefused&) {
                refused = true;
                throw;
            }
            try {
                road_.target->execute(create);
            } catch (const DatabaseError& e) {
                if (!e.connectionLost()) throw;
                lost = true;
                EndTable(e, table, 0);
            }
        });
        if (lost) outcome.ending = TableOutcome::kConnectionLost;
        if (road_.targetOpen && !refused && !lost) copyRows(table, *source, columns.size(), outcome);
        trap_.step(steps_.resetProgress, [&] { road_.controls.progressBar.setValue(0); });
        trap_.step(steps_.closeSource, [&] { source->close(); });
        // The list names the table as it was created, and only tables that exist.
        if (created && !Listed(road_.targetList, table))
            trap_.step(steps_.addToList, [&] {
                direction_.targetListChanged(table);
                road_.targetList.addItem(table);
            });
    }

    // The DROP names the table as the target list spells it: the source's own spelling when listed,
    // else the one entry equal to it without regard to case. Where several entries are equal to it
    // that way, which one the user meant is unknown: nothing is dropped and the table is skipped.
    bool dropListedTarget(const std::string& table) {
        std::vector<std::string> alike;
        for (int i = 0; i < road_.targetList.listCount(); ++i)
            if (LowerCase(road_.targetList.item(i)) == LowerCase(table)) alike.push_back(road_.targetList.item(i));
        std::string dropped = table;
        if (!Listed(road_.targetList, table) && alike.size() == 1) dropped = alike.front();
        if (!Listed(road_.targetList, table) && alike.size() > 1) {
            trap_.step(steps_.drop, [&] {
                std::string names;
                for (const auto& name : alike) names += (names.empty() ? "" : ", ") + name;
                throw TableRefused("More than one table matches " + table + " without regard to case (" + names +
                                   "); none was replaced, and " + table + " was not copied.");
            });
            return false;
        }
        if (trap_.step(steps_.drop, [&] { road_.target->execute(direction_.dropStatement(dropped)); }))
            trap_.step(steps_.unlist, [&] {
                ListRemoveItem(road_.targetList, dropped);
                direction_.targetListChanged(dropped);
            });
        return true;
    }

    bool stopRequested() const { return road_.controls.stop && road_.controls.stop->requested(); }

    void copyRows(const std::string& table, Recordset& unread, size_t columnCount, TableOutcome& outcome) {
        const long long perCommit = direction_.rowsPerCommit();
        long long count = -1, written = 0;  // written: accepted by the target, committed or not
        outcome.ending = TableOutcome::kComplete;
        auto committed = [&] { outcome.rowsWritten = written; };
        // A step that fails for good ends the table; the failure says how far it got.
        auto step = [&](int number, auto&& body) {
            bool lost = false;
            const bool done = trap_.step(number, [&] {
                try {
                    body();
                } catch (const DatabaseError& e) {
                    if (!e.connectionLost()) throw;
                    lost = true;
                    EndTable(e, table, outcome.rowsWritten);
                }
            });
            if (lost) outcome.ending = TableOutcome::kConnectionLost;
            return done;
        };
        trap_.step(steps_.count, [&] { count = unread.recordCount(); });
        const bool bulk = road_.controls.bulk;
        const size_t batch = bulk ? direction_.bulkBatch() : 0;
        std::unique_ptr<PreparedStatement> prepared;
        if (bulk && !step(steps_.insert, [&] { prepared = road_.target->prepare(direction_.bulkStatement(table, columnCount)); })) {
            outcome.ending = TableOutcome::kNotCopied;
            return;
        }
        // Bulk batches: one transaction each, and row by row again when one of its rows fails.
        std::vector<std::vector<Value>> pending;
        auto flush = [&] {
            if (pending.empty()) return;
            bool whole = false;
            try {
                road_.target->beginTransaction();
                prepared->executeMany(pending);
                road_.target->commitTransaction();
                whole = true;
            } catch (const DatabaseError& e) {
                try {
                    road_.target->rollbackTransaction();
                } catch (const DatabaseError&) {
                }
                if (e.connectionLost()) step(steps_.insert, [&] { throw e; });
            }
            if (whole) written += static_cast<long long>(pending.size());
            for (size_t r = 0; !whole && r < pending.size() && outcome.ending == TableOutcome::kComplete; ++r) {
                if (step(steps_.insert, [&] { prepared->execute(pending[r]); }))
                    ++written;
                else if (outcome.ending == TableOutcome::kComplete)
                    ++outcome.rowsRefused;
            }
            committed();
            pending.clear();
        };
        if (perCommit) step(steps_.begin, [&] { road_.target->beginTransaction(); });
        if (!perCommit) committed();
        // Rows are read to the source's end, whatever the count said, on a thread of their own
        // while the rows before them are written.
        ReadAhead source(unread);
        for (long long k = 0; outcome.ending == TableOutcome::kComplete; ++k) {
            if (stopRequested()) {
                flush();
                if (outcome.ending == TableOutcome::kComplete) outcome.ending = TableOutcome::kStopped;
                break;
            }
            bool more = false;
            if (!trap_.step(steps_.eof, [&] { more = !source.eof(); }) || !more) break;
            if (perCommit && k > 0 && k % perCommit == 0) {
                step(steps_.commitBatch, [&] {
                    road_.target->commitTransaction();
                    committed();
                    road_.target->beginTransaction();
                });
                if (outcome.ending != TableOutcome::kComplete) break;
            }
            road_.toolkit.doEvents();
            if (count > 0)
                trap_.step(steps_.progress,
                           [&] { road_.controls.progressBar.setValue(std::min(100.0, (k + 1) * 100.0 / count)); });
            ++outcome.rowsRead;
            // A row that cannot be read is reported once and not written in part; the read-ahead
            // holds every row together, so it is read in place.
            const std::vector<Value>* values = nullptr;
            if (step(steps_.readRow, [&] {
                    values = &source.currentValues();
                    road_.toolkit.doEvents();
                })) {
                const std::vector<Value>& row = *values;
                if (batch) {
                    pending.push_back(direction_.bulkValues(row));
                    if (pending.size() >= batch) flush();
                } else {
                    const bool inserted = step(steps_.insert, [&] {
                        if (prepared) return prepared->execute(direction_.bulkValues(row));
                        const Statement insert = direction_.insertStatement(table, row);
                        if (insert.parameters.empty())
                            road_.target->execute(insert.text);
                        else
                            road_.target->executeWith(insert.text, insert.parameters);
                    });
                    if (inserted) ++written;
                    if (!perCommit) committed();
                    if (!inserted && outcome.ending == TableOutcome::kComplete) ++outcome.rowsRefused;
                }
            }
            if (road_.controls.rowsSent) road_.controls.rowsSent(table, k + 1, count);
            if (outcome.ending != TableOutcome::kComplete) break;
            if (!trap_.step(steps_.moveNext, [&] { source.moveNext(); })) break;
        }
        if (outcome.ending == TableOutcome::kComplete) flush();
        if (perCommit && outcome.ending != TableOutcome::kConnectionLost)
            step(steps_.commit, [&] {
                road_.target->commitTransaction();
                committed();
            });
    }

    const TransferRoad& road_;
    ErrorTrap& trap_;
    const TableSteps& steps_;
    TransferDirection& direction_;
};

}  // namespace

const char* EndingText(TableOutcome::Ending ending) {
    switch (ending) {
        case TableOutcome::kComplete: return "complete";
        case TableOutcome::kStopped: return "stopped";
        case TableOutcome::kConnectionLost: return "ended by a lost connection";
        case TableOutcome::kSkipped: return "skipped: it exists";
        case TableOutcome::kNotCopied: return "not copied";
    }
    return "";
}

void TransferSelectedTables(const TransferRoad& road, const TableSteps& steps, TransferDirection& direction) {
    OneTable table(road, steps, direction);
    for (int i = road.sourceList.listCount() - 1; i >= 0; --i) {
        if (road.controls.stop && road.controls.stop->requested()) break;
        road.toolkit.doEvents();
        table.send(i);
    }
}

}  // namespace tess
