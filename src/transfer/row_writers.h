#pragma once
// How the rows of one table reach the target: a literal statement a row (the windows' way), one
// prepared INSERT run a row at a time, arrays of rows, each array in a transaction of its own, or
// blocks of rows, each one statement of the open transaction; an array or a block that the target
// refuses is written again row by row.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/value.h"

namespace tess {

class Connection;
class PreparedStatement;
struct TablePlan;

// What the writers share with the row loop around them.
struct RowTally {
    // Runs the insert step: false when it failed, which was reported, and which ended the table
    // when the target can take no more.
    std::function<bool(const std::function<void()>&)> insertStep;
    std::function<bool()> tableEnded;
    // Names the row whose INSERT runs next (its number from 1, its source values), for the reports
    // of a writer that holds rows; 0 and null: none.
    std::function<void(long long number, const std::vector<Value>* values)> focus;
    // Runs a call to the target alone (an array's or a block's execute), marked as the end waited
    // on: a stall during it cancels the target, never a healthy source.
    std::function<void(const std::function<void()>&)> onTarget = [](const std::function<void()>& call) { call(); };
    long long written = 0;  // accepted by the target, committed or not
    long long refused = 0;  // refused one at a time, each with its report
};

class RowWriter {
public:
    virtual ~RowWriter() = default;
    // `number`: the row's place in the source, from 1.
    virtual void write(const std::vector<Value>& row, long long number) = 0;
    // Writes what is still held; called before the table's last commit.
    virtual void finish() {}
    // True when each row is written as it comes, so that its failure is reported with it.
    virtual bool writesAtOnce() const { return true; }
};

// Each writer converts a row as the table's plan says.
std::unique_ptr<RowWriter> LiteralRowWriter(RowTally& tally, Connection& target, const TablePlan& plan);
std::unique_ptr<RowWriter> PreparedRowWriter(RowTally& tally, PreparedStatement& prepared, const TablePlan& plan);
// Arrays of the plan's bulkBatch rows; `committed` is told after each array's transaction.
std::unique_ptr<RowWriter> ArrayRowWriter(RowTally& tally, Connection& target, PreparedStatement& prepared,
                                          const TablePlan& plan, std::function<void()> committed);

// The prepared statements of a block writer: `block` gives the statement of so many rows, prepared
// when first asked for, or null when the target will not take one (the rows then go one by one);
// `row` is the one-row INSERT.
struct BlockStatements {
    std::function<PreparedStatement*(size_t rows)> block;
    PreparedStatement& row;
};
std::unique_ptr<RowWriter> BlockRowWriter(RowTally& tally, BlockStatements statements, const TablePlan& plan,
                                          size_t rowsPerBlock);

}  // namespace tess
