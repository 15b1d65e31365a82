#include "transfer/row_writers.h"

#include <optional>

#include "platform/database.h"
#include "platform/transaction.h"
#include "transfer/table_copier.h"
#include "transfer/table_plan.h"

namespace tess {
namespace {

// The most bytes of rows a writer holds before it writes them.
constexpr size_t kMostHeldBytes = 8 << 20;
// The longest row an array writer keeps as read beside its bound values, for the row's report
// should the array be refused: a longer one would hold a long value twice over.
constexpr size_t kMostKeptBytes = 64 << 10;

// One row's INSERT, counted as written, or as refused where it did not end the table.
void WriteOne(RowTally& tally, const std::function<void()>& insert) {
    if (tally.insertStep(insert))
        ++tally.written;
    else if (!tally.tableEnded())
        ++tally.refused;
}

// A row a statement: what the target refuses costs that row alone.
class RowAtATime : public RowWriter {
public:
    explicit RowAtATime(RowTally& tally) : tally_(tally) {}
    void write(const std::vector<Value>& row, long long) override {
        WriteOne(tally_, [&] { insert(row); });
    }

protected:
    virtual void insert(const std::vector<Value>& row) = 0;

private:
    RowTally& tally_;
};

class Literal : public RowAtATime {
public:
    Literal(RowTally& tally, Connection& target, const TablePlan& plan)
        : RowAtATime(tally), target_(target), plan_(plan) {}

private:
    void insert(const std::vector<Value>& row) override {
        const Statement insert = LiteralInsert(plan_, row);
        if (insert.parameters.empty())
            target_.execute(insert.text);
        else
            target_.executeWith(insert.text, insert.parameters);
    }
    Connection& target_;
    const TablePlan& plan_;
};

class Prepared : public RowAtATime {
public:
    Prepared(RowTally& tally, PreparedStatement& prepared, const TablePlan& plan)
        : RowAtATime(tally), prepared_(prepared), plan_(plan) {}

private:
    void insert(const std::vector<Value>& row) override { prepared_.execute(BoundValues(plan_, row)); }
    PreparedStatement& prepared_;
    const TablePlan& plan_;
};

// A failure that says nothing of the rows: the target gone, out of time, cancelled, or refusing the
// whole table. Written again row by row, the rows would each fail with it.
bool FailsEveryRow(const DatabaseError& e) {
    return e.connectionLost() || e.endsTable() || e.cancelled() || e.timedOut();
}

class Arrays : public RowWriter {
public:
    Arrays(RowTally& tally, Connection& target, PreparedStatement& prepared, const TablePlan& plan,
           std::function<void()> committed)
        : tally_(tally), target_(target), prepared_(prepared), plan_(plan), rowsPerArray_(plan.bulkBatch),
          committed_(std::move(committed)) {}

    // Long values go sooner, in a shorter array, so that the rows held stay few megabytes.
    void write(const std::vector<Value>& row, long long number) override {
        pending_.push_back(BoundValues(plan_, row));
        // A long row is not held a second time: its report names it by number alone.
        const bool kept = RowFootprint(row) <= kMostKeptBytes;
        sources_.push_back({number, kept ? row : std::vector<Value>{}, kept});
        pendingBytes_ += RowFootprint(pending_.back());
        if (pending_.size() >= rowsPerArray_ || pendingBytes_ >= kMostHeldBytes) finish();
    }

    bool writesAtOnce() const override { return false; }

    void finish() override {
        if (pending_.empty()) return;
        const bool whole = writeWhole();
        if (whole) tally_.written += static_cast<long long>(pending_.size());
        for (size_t r = 0; !whole && r < pending_.size() && !tally_.tableEnded(); ++r) {
            // Named by its number and values, as a row written alone is.
            tally_.focus(sources_[r].number, sources_[r].kept ? &sources_[r].values : nullptr);
            WriteOne(tally_, [&] { prepared_.execute(pending_[r]); });
            tally_.focus(0, nullptr);
        }
        committed_();
        pending_.clear();
        sources_.clear();
        pendingBytes_ = 0;
    }

private:
    // The array in a transaction of its own; false when the target refused any of it, after
    // which none of it stands. A target that can take no more ends the table here.
    bool writeWhole() {
        std::optional<Transaction> array;
        try {
            // Rolled back on the way out only when something other than the database failed.
            array.emplace(target_, [this](const DatabaseError& e) {
                unknown(DatabaseError("The array of rows was cut short."), e);
            });
        } catch (const DatabaseError& e) {  // nothing begun, nothing written
            if (e.connectionLost()) tally_.insertStep([&] { throw e; });
            return false;
        }
        try {
            tally_.onTarget([&] {
                prepared_.executeMany(pending_);
                array->commit();
            });
            return true;
        } catch (const DatabaseError& e) {
            undo(*array, e);
            return false;
        }
    }

    // A refused array is rolled back, and then written again row by row. One that every row would
    // meet (a lost connection, a stop's or a stall's cancel) ends the table instead: nothing is
    // written after a stop, and its rows are not written.
    void undo(Transaction& array, const DatabaseError& failure) {
        try {
            array.rollback();
        } catch (const DatabaseError& again) {
            return unknown(failure, again);
        }
        if (FailsEveryRow(failure)) tally_.insertStep([&] { throw failure; });
    }

    // When the rollback fails too (after a failed commit: "no transaction is active"), whether the
    // array's rows stand is not known: written again they could stand twice, so the table ends
    // here with one report.
    void unknown(const DatabaseError& failure, const DatabaseError& again) {
        DatabaseError::Details details = failure.details();
        details.endsTable = true;
        details.connectionLost = failure.connectionLost() || again.connectionLost();
        const DatabaseError unknown(std::string(failure.what()) + "\nThe rollback failed too: " + again.what() +
                                        "\nWhether the last " + std::to_string(pending_.size()) +
                                        " rows stand is not known; they are not written again.",
                                    details);
        tally_.insertStep([&] { throw unknown; });
    }

    RowTally& tally_;
    Connection& target_;
    PreparedStatement& prepared_;
    const TablePlan& plan_;
    size_t rowsPerArray_;
    std::function<void()> committed_;
    std::vector<std::vector<Value>> pending_;
    // The same rows as read, for their reports should the array be refused.
    struct Source {
        long long number;
        std::vector<Value> values;
        bool kept;
    };
    std::vector<Source> sources_;
    size_t pendingBytes_ = 0;
};


class Blocks : public RowWriter {
public:
    Blocks(RowTally& tally, BlockStatements statements, const TablePlan& plan, size_t rowsPerBlock)
        : tally_(tally), statements_(std::move(statements)), plan_(plan), rowsPerBlock_(rowsPerBlock) {}

    // Long values go sooner, in a shorter block, so that the rows held stay few megabytes; a row
    // that is long alone goes on its own, never held: held and bound it would be copied twice.
    void write(const std::vector<Value>& row, long long number) override {
        const size_t bytes = RowFootprint(row);
        if (bytes >= kMostHeldBytes) {
            finish();
            if (!tally_.tableEnded()) writeAlone(number, row);
            return;
        }
        held_.push_back({number, row});
        heldBytes_ += bytes;
        if (held_.size() >= rowsPerBlock_ || heldBytes_ >= kMostHeldBytes) finish();
    }

    bool writesAtOnce() const override { return false; }

    void finish() override {
        if (held_.empty()) return;
        const Outcome outcome = writeBlock();
        if (outcome == Outcome::kWritten) tally_.written += static_cast<long long>(held_.size());
        if (outcome == Outcome::kRefused) writeOneByOne();
        held_.clear();
        heldBytes_ = 0;
    }

private:
    struct HeldRow {
        long long number;
        std::vector<Value> values;  // as the source gave them, for the reports
    };
    enum class Outcome { kWritten, kRefused, kEnded };

    Outcome writeBlock() {
        try {
            PreparedStatement* block = statements_.block(held_.size());
            if (!block) return Outcome::kRefused;
            std::vector<Value> values;
            values.reserve(held_.size() * held_.front().values.size());
            for (const HeldRow& row : held_) AppendBlockValues(plan_, row.values, values);
            tally_.onTarget([&] { block->execute(values); });
            return Outcome::kWritten;
        } catch (const DatabaseError& e) {
            if (!FailsEveryRow(e)) return Outcome::kRefused;
            tally_.insertStep([&] { throw e; });  // reported once, for the table
            return tally_.tableEnded() ? Outcome::kEnded : Outcome::kRefused;
        } catch (const std::exception&) {  // a value the block's markers would not take
            return Outcome::kRefused;
        }
    }

    // As the rows would have gone without blocks: exactly the refused ones are reported, by name.
    void writeOneByOne() {
        for (const HeldRow& row : held_) {
            if (tally_.tableEnded()) break;
            writeAlone(row.number, row.values);
        }
    }

    // Through the one-row INSERT, its failure reported with the row's number and values.
    void writeAlone(long long number, const std::vector<Value>& values) {
        tally_.focus(number, &values);
        WriteOne(tally_, [&] { statements_.row.execute(BoundValues(plan_, values)); });
        tally_.focus(0, nullptr);
    }

    RowTally& tally_;
    BlockStatements statements_;
    const TablePlan& plan_;
    size_t rowsPerBlock_;
    std::vector<HeldRow> held_;
    size_t heldBytes_ = 0;
};

}  // namespace

std::unique_ptr<RowWriter> BlockRowWriter(RowTally& tally, BlockStatements statements, const TablePlan& plan,
                                          size_t rowsPerBlock) {
    return std::make_unique<Blocks>(tally, std::move(statements), plan, rowsPerBlock);
}

std::unique_ptr<RowWriter> LiteralRowWriter(RowTally& tally, Connection& target, const TablePlan& plan) {
    return std::make_unique<Literal>(tally, target, plan);
}

std::unique_ptr<RowWriter> PreparedRowWriter(RowTally& tally, PreparedStatement& prepared, const TablePlan& plan) {
    return std::make_unique<Prepared>(tally, prepared, plan);
}

std::unique_ptr<RowWriter> ArrayRowWriter(RowTally& tally, Connection& target, PreparedStatement& prepared,
                                          const TablePlan& plan, std::function<void()> committed) {
    return std::make_unique<Arrays>(tally, target, prepared, plan, std::move(committed));
}

}  // namespace tess
