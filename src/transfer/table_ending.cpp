#include "transfer/table_ending.h"

#include "platform/database.h"

namespace tess {

bool TableEnding::ends(const DatabaseError& e, int step, End end, bool stopRequested) {
    if (ending_) return true;  // the first cause is the one reported
    if (e.cancelled() && stopRequested) {
        ending_ = TableOutcome::kStopped;
        writingEnded_ = true;
        return true;
    }
    const bool lost = e.connectionLost();
    // A table that refuses rows is the target's; a source whose table went away ends the reading.
    if (!lost && !e.endsTable()) return false;
    ending_ = lost ? TableOutcome::kConnectionLost : TableOutcome::kEnded;
    targetLost_ = end == End::kTarget && lost;
    writingEnded_ = end == End::kTarget;
    cause_ = {step, e.what()};
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
