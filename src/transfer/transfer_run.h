#pragma once
// A whole transfer between two open connections: the tables in the plan's order, each table's
// copy, connections made again after one was lost between tables, the keys after the rows, and a
// stop. The windows and the companion both run every copy through `RunTransfer` and only observe.
#include <chrono>
#include <string>
#include <vector>

#include "transfer/copy_observer.h"
#include "common/copy_watchdog.h"
#include "transfer/structure_maker.h"
#include "transfer/table_copier.h"

namespace tess {

class Connection;
class SqlServerTableNames;
class StopRequest;

struct TransferPlan {
    bool toFirebird = true;
    std::vector<std::string> tables{};      // the source's entries, copied in this order
    std::vector<std::string> targetTables{};  // the target's tables as listed: the overwrite question
    SqlServerTableNames* sqlServerNames = nullptr;  // the schema of each SQL Server entry; learns of
                                                    // every SQL Server table dropped and made
    bool bulk = false;           // values bound in their own types, many rows a call
    bool keys = false;           // the source's keys, indexes and identities made after the rows
    bool nameRowsByKey = false;  // a row's report names it by the source's key values too
    OverwritePolicy overwrite = OverwritePolicy::kAsk;  // a table the target holds: asked, or answered
    long long maxRefused = 0;  // refused rows that end a table; 0: none ever does
    const StopRequest* stop = nullptr;
    CopyWatchdog::Limits limits = TableCopier::kDefaultLimits;
    size_t blockRows = 0;  // bulk blocks of so many rows, whatever the target takes (tests); 0: the target's
};

// The two connections of a transfer, and how to have them again.
class TransferEnds {
public:
    virtual ~TransferEnds() = default;
    virtual Connection* source() = 0;
    virtual Connection* target() = 0;
    // False when the target did not open: the rows have nowhere to go, and are not read.
    virtual bool targetOpen() const { return true; }
    // Both connections made again after one was lost; throws what the opening threw.
    virtual void reopen() = 0;
};

class TransferObserver : public CopyObserver {
public:
    // Before each table: its place among the plan's tables.
    virtual void tableStarting(size_t /*index*/) {}
    // A lost connection is made again after `wait` (try `attempt` of `attempts`, from 1): spends the
    // wait and returns false when a stop came meanwhile.
    virtual bool waitToReconnect(std::chrono::seconds wait, int attempt, int attempts) = 0;
    virtual void reconnected() {}
    // The table at `index`, cut short by a lost connection, is copied again from its start over
    // the connections made again: its outcome so far is replaced.
    virtual void tableCopiedAgain(size_t /*index*/) {}
    // A key, index or foreign key of `keys` that the target refused: the table, what, and why.
    virtual void structureRefused(const std::string& /*table*/, const std::string& /*what*/,
                                  const std::string& /*why*/) {}
};

struct TransferResult {
    enum class End {
        kDone,         // every table of the plan had its turn
        kStopped,      // a stop came: the tables after the last outcome were not started
        kGivenUp,      // a server stopped answering and was given up: not waited on again
        kUnreachable,  // a lost connection could not be made again (`why`: the last failure)
        kBroken,       // something no one foresaw failed (`why`); a table under way has no outcome
    };
    std::vector<TableOutcome> tables;  // one a table started, in the plan's order
    End end = End::kDone;
    std::string why;
    bool serverGivenUp = false;  // a server was given up, after the last table too
    std::vector<StructureOutcome> structure;  // with keys: what was made of each table's keys

    // The target can still be asked something (its rows counted).
    bool targetReachable() const { return !serverGivenUp && end != End::kUnreachable; }
};

TransferResult RunTransfer(const TransferPlan& plan, TransferEnds& ends, TransferObserver& observer);

}  // namespace tess
