#pragma once
// How the copy of one table ends when a step fails. A failure is the row's own (reported for that
// row, and the copy goes on), or it ends the table: a stop that cancelled the call, the table
// itself refusing every row (gone, no right to write it, a dead transaction), a connection or
// database that can take no more, or the same failure row after row. A table ends with one
// report, made once the rows that stand are known.
#include <optional>
#include <string>

#include "transfer/copy_failure.h"
#include "transfer/table_outcome.h"

namespace tess {

class DatabaseError;
struct DriverCodes;

class TableEnding {
public:
    // Consecutive rows failing with the same words that end a table which no code foresaw.
    static constexpr int kSameFailureLimit = 100;
    enum class End { kSource, kTarget };
    // Why a call may have been cut short: nothing, a stop request, or the stall time-out.
    enum class Interrupt { kNone, kStop, kStall };

    // The failure of a step: true when it ends the table (then it is not reported now), false
    // when it is the row's own.
    bool ends(const DatabaseError& e, CopyStage stage, End end, Interrupt interrupt);
    // A row's own failure, or its success (nullptr): true when this failure ends the table. A
    // refusal of the row's own values (`rowValues`: a truncation, a key, a check...) never does,
    // however many rows meet it, unless the refused rows reach the limit set (setMaxRefused). A
    // failure of no known kind does when it is the last of kSameFailureLimit alike in a row: what
    // no code foresaw and every row meets. Alike means of the same cause (CauseOf).
    bool rowEnded(const std::string* failure, CopyStage stage, const DriverCodes* codes = nullptr,
                  bool rowValues = false);
    // Refused rows that end the table once there are so many of them; 0: no limit.
    void setMaxRefused(long long limit) { maxRefused_ = limit; }
    // What makes failures alike: the driver's codes where it gave some, else the words but for
    // their numbers ("actual 4" and "actual 5" are one cause).
    static std::string CauseOf(const std::string& failure, const DriverCodes* codes);
    // True when the last row failure was the first of its kind in a row: the moment to look
    // whether the table itself is still there.
    bool newKindOfFailure() const { return sameFailures_ == 1; }
    // The target's table is gone (dropped under the copy): the table ends with `failure`, and its
    // report says so instead of counting rows in a table that is not there.
    void tableGone(const std::string& failure, CopyStage stage);

    // The source failed to give its next row (other than by a lost connection, which ends() takes):
    // the reading ends with `failure`, and the rows already read are still written. The table is
    // not called complete.
    void readingFailed(const std::string& failure, CopyStage stage);

    // A stop read between rows, once the rows already taken were written.
    void stop();

    bool ended() const { return ending_.has_value(); }
    std::optional<TableOutcome::Ending> ending() const { return ending_; }
    // The target's connection can take no more: nothing is to be committed.
    bool targetLost() const { return targetLost_; }
    // No more rows are to be written: a stop, or the target refusing them. A source that ended
    // leaves the rows already read to be written.
    bool writingEnded() const { return writingEnded_; }

    // The one report of an ending that has one (a stop has none): the failing step, its kind and
    // words, and how far the copy of `table` got.
    std::optional<CopyFailure> report(const std::string& table, long long rowsStanding) const;

private:
    std::optional<TableOutcome::Ending> ending_;
    bool targetLost_ = false;
    bool writingEnded_ = false;
    CopyFailure cause_{CopyStage::kInsert, FailureKind::kTableEnded, ""};
    bool caused_ = false;
    std::string lastKind_;
    int sameFailures_ = 0;
    // Ends the table with this failure as its cause (writing too, where the target failed).
    CopyFailure& endedBy(const std::string& failure, CopyStage stage, FailureSide side);
    long long refused_ = 0, maxRefused_ = 0;
    bool tableGone_ = false;
};

}  // namespace tess
