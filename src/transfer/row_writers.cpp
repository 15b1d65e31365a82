#include "transfer/row_writers.h"

#include "platform/database.h"
#include "transfer/table_copier.h"

namespace tess {
namespace {

// A row a statement: what the target refuses costs that row alone.
class RowAtATime : public RowWriter {
public:
    explicit RowAtATime(RowTally& tally) : tally_(tally) {}
    void write(const std::vector<Value>& row) override {
        if (tally_.insertStep([&] { insert(row); }))
            ++tally_.written;
        else if (!tally_.tableEnded())
            ++tally_.refused;
    }

protected:
    virtual void insert(const std::vector<Value>& row) = 0;

private:
    RowTally& tally_;
};

class Literal : public RowAtATime {
public:
    Literal(RowTally& tally, Connection& target, const TransferDirection& direction, std::string table)
        : RowAtATime(tally), target_(target), direction_(direction), table_(std::move(table)) {}

private:
    void insert(const std::vector<Value>& row) override {
        const Statement insert = direction_.insertStatement(table_, row);
        if (insert.parameters.empty())
            target_.execute(insert.text);
        else
            target_.executeWith(insert.text, insert.parameters);
    }
    Connection& target_;
    const TransferDirection& direction_;
    std::string table_;
};

class Prepared : public RowAtATime {
public:
    Prepared(RowTally& tally, PreparedStatement& prepared, const TransferDirection& direction)
        : RowAtATime(tally), prepared_(prepared), direction_(direction) {}

private:
    void insert(const std::vector<Value>& row) override { prepared_.execute(direction_.bulkValues(row)); }
    PreparedStatement& prepared_;
    const TransferDirection& direction_;
};

class Arrays : public RowWriter {
public:
    Arrays(RowTally& tally, Connection& target, PreparedStatement& prepared, const TransferDirection& direction,
           size_t rowsPerArray, std::function<void()> committed)
        : tally_(tally), target_(target), prepared_(prepared), direction_(direction), rowsPerArray_(rowsPerArray),
          committed_(std::move(committed)) {}

    void write(const std::vector<Value>& row) override {
        pending_.push_back(direction_.bulkValues(row));
        if (pending_.size() >= rowsPerArray_) finish();
    }

    bool writesAtOnce() const override { return false; }

    void finish() override {
        if (pending_.empty()) return;
        const bool whole = writeWhole();
        if (whole) tally_.written += static_cast<long long>(pending_.size());
        for (size_t r = 0; !whole && r < pending_.size() && !tally_.tableEnded(); ++r) {
            if (tally_.insertStep([&] { prepared_.execute(pending_[r]); }))
                ++tally_.written;
            else if (!tally_.tableEnded())
                ++tally_.refused;
        }
        committed_();
        pending_.clear();
    }

private:
    // The array in a transaction of its own; false when the target refused any of it, after
    // which none of it stands. A target that can take no more ends the table here.
    bool writeWhole() {
        try {
            target_.beginTransaction();
        } catch (const DatabaseError& e) {  // nothing begun, nothing written
            if (e.connectionLost()) tally_.insertStep([&] { throw e; });
            return false;
        }
        try {
            prepared_.executeMany(pending_);
            target_.commitTransaction();
            return true;
        } catch (const DatabaseError& e) {
            undo(e);
            return false;
        }
    }

    // A refused array is rolled back, and then written again row by row. When the rollback fails
    // too (after a failed commit: "no transaction is active"), whether the array's rows stand is
    // not known: written again they could stand twice, so the table ends here with one report.
    void undo(const DatabaseError& failure) {
        try {
            target_.rollbackTransaction();
        } catch (const DatabaseError& again) {
            DatabaseError::Details details = failure.details();
            details.endsTable = true;
            details.connectionLost = failure.connectionLost() || again.connectionLost();
            const DatabaseError unknown(std::string(failure.what()) + "\nThe rollback failed too: " + again.what() +
                                            "\nWhether the last " + std::to_string(pending_.size()) +
                                            " rows stand is not known; they are not written again.",
                                        details);
            tally_.insertStep([&] { throw unknown; });
            return;
        }
        if (failure.connectionLost()) tally_.insertStep([&] { throw failure; });
    }

    RowTally& tally_;
    Connection& target_;
    PreparedStatement& prepared_;
    const TransferDirection& direction_;
    size_t rowsPerArray_;
    std::function<void()> committed_;
    std::vector<std::vector<Value>> pending_;
};

}  // namespace

std::unique_ptr<RowWriter> LiteralRowWriter(RowTally& tally, Connection& target, const TransferDirection& direction,
                                            const std::string& table) {
    return std::make_unique<Literal>(tally, target, direction, table);
}

std::unique_ptr<RowWriter> PreparedRowWriter(RowTally& tally, PreparedStatement& prepared,
                                             const TransferDirection& direction) {
    return std::make_unique<Prepared>(tally, prepared, direction);
}

std::unique_ptr<RowWriter> ArrayRowWriter(RowTally& tally, Connection& target, PreparedStatement& prepared,
                                          const TransferDirection& direction, size_t rowsPerArray,
                                          std::function<void()> committed) {
    return std::make_unique<Arrays>(tally, target, prepared, direction, rowsPerArray, std::move(committed));
}

}  // namespace tess
