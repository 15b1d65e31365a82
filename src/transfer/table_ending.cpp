#include "transfer/table_ending.h"

#include "platform/database.h"

namespace tess {

bool TableEnding::ends(const DatabaseError& e, CopyStage stage, End end, Interrupt interrupt) {
    // The first cause is the one reported; but a stop whose commit then fails did not end as a stop.
    const bool afterStop = ending_ == TableOutcome::kStopped && !caused_;
    if (ending_ && !(afterStop && (e.connectionLost() || e.endsTable()))) return true;
    if (afterStop) ending_.reset();
    // After a stop's cancel, a source may fail in words of its own (SQLite's driver manager says its
    // statement is out of sequence): the stop is what ended it.
    if ((e.cancelled() || end == End::kSource) && interrupt == Interrupt::kStop) {
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
    caused_ = true;
    cause_ = {stage, e.what()};
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

namespace {

std::string KindOf(const std::string& failure, const DriverCodes* codes) {
    std::string kind;
    if (codes) {
        for (const auto& state : codes->sqlStates) kind += state + ",";
        for (long code : codes->nativeErrors) kind += std::to_string(code) + ",";
        for (long code : codes->gdsCodes) kind += std::to_string(code) + ",";
    }
    if (!kind.empty()) return "codes " + kind;
    for (char c : failure) {
        const bool digit = c >= '0' && c <= '9';
        if (!digit) kind += c;
        else if (kind.empty() || kind.back() != '#') kind += '#';
    }
    return "words " + kind;
}

}  // namespace

bool TableEnding::rowEnded(const std::string* failure, CopyStage stage, const DriverCodes* codes) {
    if (!failure) {
        sameFailures_ = 0;
        return false;
    }
    const std::string kind = KindOf(*failure, codes);
    sameFailures_ = sameFailures_ > 0 && kind == lastKind_ ? sameFailures_ + 1 : 1;
    lastKind_ = kind;
    if (sameFailures_ < kSameFailureLimit || ending_) return false;
    ending_ = TableOutcome::kEnded;
    writingEnded_ = true;
    caused_ = true;
    cause_ = {stage, *failure + "\nThe last " + std::to_string(kSameFailureLimit) +
                        " rows all failed this way, so the rest were not tried."};
    return true;
}

void TableEnding::readingFailed(const std::string& failure, CopyStage stage) {
    if (ending_) return;
    ending_ = TableOutcome::kEnded;
    caused_ = true;
    cause_ = {stage, failure};
}

void TableEnding::tableGone(const std::string& failure, CopyStage stage) {
    if (ending_) return;
    ending_ = TableOutcome::kEnded;
    writingEnded_ = true;
    tableGone_ = true;
    caused_ = true;
    cause_ = {stage, failure};
}

std::optional<TableEnding::Report> TableEnding::report(const std::string& table, long long rowsStanding) const {
    if (!ending_ || *ending_ == TableOutcome::kStopped) return std::nullopt;
    if (tableGone_)
        return Report{cause_.stage, cause_.description + "\nThe copy of " + table +
                                       " ended here: the table is no longer in the target."};
    return Report{cause_.stage, cause_.description + "\nThe copy of " + table + " ended here; " +
                                   std::to_string(rowsStanding) + " rows of it stand in the target."};
}

}  // namespace tess
