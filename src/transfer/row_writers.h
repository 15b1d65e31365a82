#pragma once
// How the rows of one table reach the target: a literal statement a row (the windows' way), one
// prepared INSERT run a row at a time, or arrays of rows, each array in a transaction of its own
// and written again row by row when the target refuses one of its rows.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/value.h"

namespace tess {

class Connection;
class PreparedStatement;
class TransferDirection;

// What the writers share with the row loop around them.
struct RowTally {
    // Runs the insert step: false when it failed, which was reported, and which ended the table
    // when the target can take no more.
    std::function<bool(const std::function<void()>&)> insertStep;
    std::function<bool()> tableEnded;
    long long written = 0;  // accepted by the target, committed or not
    long long refused = 0;  // refused one at a time, each with its report
};

class RowWriter {
public:
    virtual ~RowWriter() = default;
    virtual void write(const std::vector<Value>& row) = 0;
    // Writes what is still held; called before the table's last commit.
    virtual void finish() {}
    // True when each row is written as it comes, so that its failure is reported with it.
    virtual bool writesAtOnce() const { return true; }
};

std::unique_ptr<RowWriter> LiteralRowWriter(RowTally& tally, Connection& target, const TransferDirection& direction,
                                            const std::string& table);
std::unique_ptr<RowWriter> PreparedRowWriter(RowTally& tally, PreparedStatement& prepared,
                                             const TransferDirection& direction);
// `committed` is told after each array's transaction.
std::unique_ptr<RowWriter> ArrayRowWriter(RowTally& tally, Connection& target, PreparedStatement& prepared,
                                          const TransferDirection& direction, size_t rowsPerArray,
                                          std::function<void()> committed);

}  // namespace tess
