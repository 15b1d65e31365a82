#pragma once
// The copy of one table between two open connections, the same for both directions and both
// programs: the table's job (the overwrite question, the source opened before anything is dropped,
// the drop, the CREATE, the keys to make after, the target's tables told) around a RowPump made
// for its rows. What differs between the directions is a small description; who asked for the
// copy hears of it as an observer.
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/database.h"
#include "transfer/copy_observer.h"
#include "common/copy_watchdog.h"
#include "transfer/row_naming.h"
#include "transfer/row_pump.h"
#include "transfer/source_column.h"
#include "transfer/statement.h"
#include "transfer/structure_statements.h"
#include "transfer/table_ending.h"
#include "transfer/table_plan.h"
#include "transfer/target_tables.h"

namespace tess {

class Connection;
class ReadAhead;
class Recordset;
class StopRequest;

// How one direction reads and names its tables, and the plan it makes of each.
class TransferDirection {
public:
    virtual ~TransferDirection() = default;
    virtual std::unique_ptr<Recordset> openSource(Connection& source, const std::string& entry) const = 0;
    // The rows openSource will give, counted before it opens them (for the progress); -1: unknown.
    virtual long long countSource(Connection& source, const std::string& entry) const = 0;
    // The name the copy gets in the target: the source entry's own table name.
    virtual std::string targetName(const std::string& entry) const { return entry; }
    // Told when a target table is dropped or made.
    virtual void targetListChanged(const std::string& /*entry*/) {}
    virtual std::string dropStatement(const std::string& listedName) const = 0;
    // Read before the source is opened: its key when `key` (for reports), and what the plan needs
    // to know of its values and structure.
    virtual SourceFacts readSource(Connection& source, const std::string& entry, bool key) = 0;
    // The copy's plan, from the source's columns: throws when the table cannot be expressed for
    // the target. `bulk`: the values bound in their own types.
    virtual TablePlan plan(const std::string& table, const std::vector<SourceColumn>& columns, SourceFacts facts,
                           bool bulk) = 0;
};

struct CopyEnds {
    Connection* source;
    Connection* target;
    bool targetOpen;  // false: the rows have nowhere to go, and are not read
};

class TableCopier : private RowGuard {
public:
    // `targetTables` decides the overwrite question, names what is dropped and learns of every table
    // dropped and made. `stop` is read between rows. `bulk`: the values bound in their own types.
    TableCopier(CopyEnds ends, TargetTables& targetTables, TransferDirection& direction, CopyObserver& observer,
                const StopRequest* stop, bool bulk = false);

    // Copies one source entry; the observer hears of every failure and of the outcome.
    // `cutShort`: the cause that cut this table's copy short, a lost connection: it is copied again
    // from its start, nothing asked (the question was answered then, or the table is the run's
    // own), and that cause is not told again.
    TableOutcome copy(const std::string& entry, const std::optional<CopyFailure>& cutShort = std::nullopt);
    // From another thread: the call under way on either end gives up (for a stop request); if the
    // server does not answer that, its connection is given up a few seconds later.
    void cancel() noexcept;
    // Nothing coming through for `stall` cancels the calls under way (zero: never); once cancelled,
    // a call that takes longer than `grace` gives its connection up.
    void setLimits(CopyWatchdog::Limits limits) { limits_ = limits; }
    // Bulk blocks of this many rows, whatever the target would take, so that a test sees blocks and
    // their tails in process too.
    void setBlockRows(size_t rows) { blockRows_ = rows; }
    static constexpr CopyWatchdog::Limits kDefaultLimits{std::chrono::seconds(600), std::chrono::seconds(10)};
    // Reports of a row name it by the source table's key values too (read before each table).
    void nameRowsByKey() { nameRowsByKey_ = true; }
    // The overwrite question answered beforehand, or left to the observer.
    void setOverwrite(OverwritePolicy policy) { overwrite_ = policy; }
    // Refused rows that end a table once there are so many; 0: none ever does.
    void setMaxRefused(long long limit) { maxRefused_ = limit; }
    // True once a server that did not answer had its connections given up: nothing is to wait on
    // it again.
    bool gaveUp() const { return abandoned_; }
    // A table's reader stayed in a driver that ignored the cancel: it keeps the source's connection.
    bool leftSourceBehind() const { return leftSource_; }
    // The keys of each table made so far (with keys), to be made after the rows; taken once.
    std::map<std::string, StructurePlan> takeStructures() { return std::exchange(structures_, {}); }

private:
    // Runs one stage: a failure is told to the observer, and false returned; the copy goes on as
    // its caller decides.
    template <class Body>
    bool attempt(CopyStage stage, Body&& body, bool endsTable = false) {
        try {
            body();
            return true;
        } catch (const DatabaseError& e) {
            failed(stage, e.what(), endsTable, e.connectionLost());
        } catch (const std::exception& e) {
            failed(stage, e.what(), endsTable, false);
        } catch (...) {
            failed(stage, "Unknown error", endsTable, false);
        }
        return false;
    }
    void failed(CopyStage stage, const std::string& words, bool endsTable, bool connectionLost);
    // Tells the observer, with the table; a row's failure comes from the rows with its row and key.
    void tell(CopyFailure failure) override;
    TableEnding::Interrupt interrupt() const override;
    void watched() override;  // a row or a call came through
    void stopHeard() const noexcept override;
    void leaveBehind(std::shared_ptr<ReadAhead> reader) override { leftReader_ = std::move(reader); }
    bool stopRequested() const;
    void copyTable(const std::string& entry, TableOutcome& outcome, bool again);
    bool overwriteAnswered(const std::string& table, TableOutcome& outcome);
    std::vector<SourceColumn> readColumns(Recordset& source);
    void listMade(const std::string& table);
    bool dropListedTarget(const std::string& table);
    void runOnTarget(const std::vector<std::string>& statements);
    bool copiedAsCaseTwin(const std::string& table, const std::vector<std::string>& alike);
    // The plan, and the table made by it; nothing when there is no new table for the rows (the
    // outcome then says why).
    std::optional<TablePlan> createTarget(const std::string& table, const std::vector<SourceColumn>& columns,
                                          SourceFacts facts, TableOutcome& outcome);
    void cancelCalls() noexcept;
    void cancelStalled() noexcept;
    // Which end the copy is waiting on, for the stall's cancel; either, between calls.
    std::atomic<Waiting> waitingOn_{Waiting::kEither};
    void abandon() noexcept;
    void closeSource(std::unique_ptr<Recordset>& source);
    void setWatchdog(CopyWatchdog* watchdog);
    class WaitingForAPerson {
    public:
        explicit WaitingForAPerson(TableCopier& copier);
        ~WaitingForAPerson();
        WaitingForAPerson(const WaitingForAPerson&) = delete;
        WaitingForAPerson& operator=(const WaitingForAPerson&) = delete;

    private:
        TableCopier& copier_;
    };

    // Everything that belongs to the table being copied: made anew for each, never reset by hand.
    struct CurrentTable {
        std::string entry;   // the source entry: where a report comes from
        std::string target;  // the copy's name in the target
        RowNaming naming;    // how a report names a row
        std::optional<CopyFailure> cause;  // the table's last report that was not a row's
        int failures = 0;
        std::optional<CopyFailure> cutShort;  // what cut the copy before this one short
    };
    std::optional<CurrentTable> table_;

    CopyEnds ends_;
    TargetTables& targetTables_;
    TransferDirection& direction_;
    CopyObserver& observer_;
    const StopRequest* stop_;
    bool bulk_;
    CopyWatchdog::Limits limits_ = kDefaultLimits;
    size_t blockRows_ = 0;  // 0: as many as the target takes
    std::shared_ptr<ReadAhead> leftReader_;  // the table's reader, left in a driver that ignored the cancel
    bool leftSource_ = false;                 // a reader was left so, and the source's connection with it
    mutable std::mutex watchdogMutex_;  // a stop's cancel comes from another thread
    CopyWatchdog* watchdog_ = nullptr;
    std::atomic<bool> abandoned_{false};  // the watchdog gave the connections up
    bool nameRowsByKey_ = false;
    OverwritePolicy overwrite_ = OverwritePolicy::kAsk;
    long long maxRefused_ = 0;
    std::map<std::string, StructurePlan> structures_;  // of the tables made
    // One watching thread for every table of the run, rearmed for each: a run of many small tables
    // starts no thread a table. Last, so that it stops before anything its callbacks touch goes.
    std::unique_ptr<CopyWatchdog> watchdogThread_;
};

}  // namespace tess
