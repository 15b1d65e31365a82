#pragma once
// A whole verification: each table of the plan against its copy, row for row and, with keys, key
// for key; a stop ends the table being compared and leaves the rest not compared. The companion
// runs it and prints what comes back; it reads and compares nothing itself.
#include <optional>
#include <string>
#include <vector>

#include "common/copy_watchdog.h"
#include "transfer/table_verification.h"

namespace tess {

class Connection;
class SqlServerTableNames;
class StopRequest;

struct VerificationPlan {
    bool toFirebird = true;                  // the direction the copies were made in
    std::vector<std::string> tables{};       // the source's entries
    const SqlServerTableNames* sqlServerNames = nullptr;  // the schema of each SQL Server entry
    long long sample = 0;                    // about so many rows a table; 0: every row
    bool keys = false;                       // the keys, indexes, identities and NOT NULLs too
    const StopRequest* stop = nullptr;       // also cancels the calls under way; past the grace, gives them up
    // A call that nothing comes back from for `stall` is cancelled, and given up after `grace`;
    // its server is then not asked again. Zero: no time-out.
    CopyWatchdog::Limits limits{std::chrono::seconds(0), std::chrono::seconds(10)};
};

struct VerificationEnds {
    Connection& sqlServer;
    Connection& firebird;
};

// What the copy of each key holds: the structures missing from it, or why they could not be compared.
struct KeysComparison {
    std::vector<std::string> missing;
    std::optional<std::string> failure;
    bool whole() const { return missing.empty() && !failure; }
};

struct TableComparison {
    enum class Status {
        kCompared,       // `rows` says how the rows compare
        kNotCompared,    // a stop came before the table's turn
        kStopped,        // a stop ended the comparison (`why`: "stopped ...", how far it got)
        kNotComparable,  // a column whose values cannot be compared exactly (`why` names it)
        kFailed,         // a call failed (`why`: the driver's words)
    };
    std::string table{};
    Status status = Status::kNotCompared;
    std::string why{};
    VerificationResult rows{};
    std::optional<KeysComparison> keys{};  // with keys, for every table whose turn came

    bool identical() const {
        return status == Status::kCompared && rows.identical() && (!keys || keys->whole());
    }
};

class VerificationObserver {
public:
    virtual ~VerificationObserver() = default;
    // After each row read: the table, the side ("source" or "target"), the rows read of that side.
    virtual void rowsRead(const std::string& /*table*/, const char* /*side*/, long long /*done*/) {}
    virtual void tableCompared(const TableComparison& /*comparison*/) {}
};

// One comparison a table of the plan, in the plan's order.
std::vector<TableComparison> RunVerification(const VerificationPlan& plan, VerificationEnds ends,
                                             VerificationObserver& observer);

}  // namespace tess
