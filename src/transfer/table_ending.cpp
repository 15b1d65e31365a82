#include "transfer/table_ending.h"

#include "platform/database.h"

namespace tess {

bool TableEnding::ends(const DatabaseError& e, int step, End end, Interrupt interrupt) {
    // The first cause is the one reported; but a stop whose commit then fails did not end as a stop.
    const bool afterStop = ending_ == TableOutcome::kStopped && !cause_.step;
    if (ending_ && !(afterStop && (e.connectionLost() || e.endsTable()))) return true;
    if (afterStop) ending_.reset();
    if (e.cancelled() && interrupt == Interrupt::kStop) {
        ending_ = TableOutcome::kStopped;
        writingEnded_ = true;
        return true;
    }
    const bool lost = e.connectionLost();
    const bool cutShort = interrupt != Interrupt::kNone && (lost || e.cancelled());
    // A table that refuses rows is the target's; a source whose table went away ends the reading.
    if (!lost && !e.endsTable() && !cutShort) return false;
    ending_ = lost ? TableOutcome::kConnectionLost : TableOutcome::kEnded;
    targetLost_ = end == End::kTarget && lost;
    writingEnded_ = end == End::kTarget || interrupt != Interrupt::kNone;
    cause_ = {step, e.what()};
    if (interrupt == Interrupt::kStall)
        cause_.description += "\nNothing came through for the stall time-out, so the copy stopped waiting.";
    if (interrupt == Interrupt::kStop && lost)
        cause_.description += "\nThe server did not answer the stop, so its connection was given up.";
    return true;
}

void TableEnding::stop() {
    if (!ending_) ending_ = TableOutcome::kStopped;
    writingEnded_ = true;
}

bool TableEnding::rowEnded(const std::string* failure, int step) {
    if (!failure) {
        sameFailures_ = 0;
        return false;
    }
    sameFailures_ = *failure == lastFailure_ ? sameFailures_ + 1 : 1;
    lastFailure_ = *failure;
    if (sameFailures_ < kSameFailureLimit || ending_) return false;
    ending_ = TableOutcome::kEnded;
    writingEnded_ = true;
    cause_ = {step, *failure + "\nThe last " + std::to_string(kSameFailureLimit) +
                        " rows all failed this way, so the rest were not tried."};
    return true;
}

std::optional<TableEnding::Report> TableEnding::report(const std::string& table, long long rowsStanding) const {
    if (!ending_ || *ending_ == TableOutcome::kStopped) return std::nullopt;
    return Report{cause_.step, cause_.description + "\nThe copy of " + table + " ended here; " +
                                   std::to_string(rowsStanding) + " rows of it stand in the target."};
}

}  // namespace tess
