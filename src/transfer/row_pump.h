#pragma once
// The rows of one table, from the source's recordset to the target: read ahead on a thread of their
// own, written by the plan's writer (a literal statement a row, a prepared one, arrays or blocks),
// committed as the plan says. A failure is the row's own or ends the table (TableEnding decides).
// A pump is made for one table and holds that table's state only; the table's job (TableCopier)
// hears its failures and keeps the watchdog.
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/transaction.h"
#include "transfer/copy_observer.h"
#include "transfer/row_naming.h"
#include "transfer/table_ending.h"
#include "transfer/table_plan.h"

namespace tess {

class Connection;
class PreparedStatement;
class ReadAhead;
class Recordset;
class RowWriter;
class StopRequest;
struct RowTally;

// Which end a call waits on, for the stall's cancel; either, between calls.
enum class Waiting { kEither, kSource, kTarget };

// Sets which end a call waits on for as long as it lasts.
class WaitingOn {
public:
    WaitingOn(std::atomic<Waiting>& waiting, Waiting on) : waiting_(waiting) { waiting_ = on; }
    ~WaitingOn() { waiting_ = Waiting::kEither; }
    WaitingOn(const WaitingOn&) = delete;
    WaitingOn& operator=(const WaitingOn&) = delete;

private:
    std::atomic<Waiting>& waiting_;
};

// What the rows need of the table's job.
class RowGuard {
public:
    virtual ~RowGuard() = default;
    // A failure, its row and key given: the job adds the table and tells the observer.
    virtual void tell(CopyFailure failure) = 0;
    // Why a call may have been cut short: a stop, the stall time-out, or nothing.
    virtual TableEnding::Interrupt interrupt() const = 0;
    // A row or a call came through.
    virtual void watched() = 0;
    // The rows heard the stop, and end the table themselves.
    virtual void stopHeard() const noexcept = 0;
    // A reader left in a driver that ignored the cancel: the source is its own until it comes out.
    virtual void leaveBehind(std::shared_ptr<ReadAhead> reader) = 0;
};

class RowPump {
public:
    struct Settings {
        bool bulk = false;
        size_t blockRows = 0;  // 0: as many as the target takes
        bool nameRowsByKey = false;
        const StopRequest* stop = nullptr;
        long long maxRefused = 0;  // refused rows that end the table; 0: no limit
    };
    RowPump(Connection& source, Connection& target, CopyObserver& observer, RowGuard& guard,
            std::atomic<Waiting>& waitingOn, Settings settings);
    ~RowPump();
    RowPump(const RowPump&) = delete;
    RowPump& operator=(const RowPump&) = delete;

    // The rows of `entry` into `table` (its name in the target). `count`: the source's rows as
    // counted before it was opened (-1: unknown). The outcome learns what was read, written and
    // refused, and how the rows ended.
    void run(const std::string& entry, const std::string& table, Recordset& unread, const TablePlan& plan,
             const RowNaming& naming, long long count, TableOutcome& outcome);

private:
    using End = TableEnding::End;
    // What bulk mode prepares for a table: its one-row INSERT, and its blocks by their rows.
    struct PreparedInserts {
        std::unique_ptr<PreparedStatement> row;
        std::map<size_t, std::unique_ptr<PreparedStatement>> blocks;  // null: a size the target refused
        bool refusalTold = false;
    };
    // The source's row count (-1 when unknown) and the rows per commit (0: each row commits itself).
    struct RowPace {
        long long count, perCommit;
    };
    template <class Body>
    bool attempt(CopyStage stage, Body&& body);
    void failed(CopyStage stage, const std::string& words, const DriverCodes* codes = nullptr);
    bool stepOrEnd(CopyStage stage, const std::function<void()>& body, End end = End::kTarget);
    bool insertRow(const std::function<void()>& body);
    bool targetGone(const std::string& failure);
    std::unique_ptr<RowWriter> rowWriter(const TablePlan& plan, RowTally& tally, const std::function<void()>& committed);
    void readRows(Recordset& unread, RowWriter& writer, const RowTally& tally, RowPace pace, TableOutcome& outcome);
    void endTransaction(const std::function<void()>& committed);
    void beginRows();
    void tellEnding(const std::string& table, const TableOutcome& outcome);
    void rollbackFailed(const DatabaseError& e);
    void commitRows();

    Connection& source_;
    Connection& target_;
    CopyObserver& observer_;
    RowGuard& guard_;
    std::atomic<Waiting>& waitingOn_;
    const Settings settings_;
    std::string entry_, table_;
    const RowNaming* naming_ = nullptr;
    const TablePlan* plan_ = nullptr;
    long long row_ = 0;                           // the row being read or written (0: none)
    const std::vector<Value>* values_ = nullptr;  // the row being written, for its name
    TableEnding ending_;
    bool commitCut_ = false;  // a commit was under way when the connection went
    PreparedInserts prepared_;
    // Last, so that a transaction left open is rolled back while everything it reports with is here.
    std::optional<Transaction> rows_;
};

}  // namespace tess
