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
    cause_ = {stage, FailureKind::kTableEnded, e.what()};
    cause_.side = end == End::kTarget ? FailureSide::kTarget : FailureSide::kSource;
    if (lost) cause_.kind = FailureKind::kConnectionLost;
    if (interrupt == Interrupt::kStop && lost) cause_.kind = FailureKind::kStopped;
    if (interrupt == Interrupt::kStall) cause_.kind = FailureKind::kStalled;
    return true;
}

void TableEnding::stop() {
    if (!ending_) ending_ = TableOutcome::kStopped;
    writingEnded_ = true;
}

std::string TableEnding::CauseOf(const std::string& failure, const DriverCodes* codes) {
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

bool TableEnding::rowEnded(const std::string* failure, CopyStage stage, const DriverCodes* codes, bool rowValues) {
    if (!failure) {
        sameFailures_ = 0;
        return false;
    }
    const std::string kind = CauseOf(*failure, codes);
    sameFailures_ = sameFailures_ > 0 && kind == lastKind_ ? sameFailures_ + 1 : 1;
    lastKind_ = kind;
    ++refused_;
    if (ending_) return false;
    if (maxRefused_ > 0 && refused_ >= maxRefused_) {
        endedBy(*failure, stage, FailureSide::kTarget).refusedLimit = maxRefused_;
        return true;
    }
    if (rowValues || sameFailures_ < kSameFailureLimit) return false;
    endedBy(*failure, stage, FailureSide::kTarget).sameFailures = kSameFailureLimit;
    return true;
}

CopyFailure& TableEnding::endedBy(const std::string& failure, CopyStage stage, FailureSide side) {
    ending_ = TableOutcome::kEnded;
    writingEnded_ = writingEnded_ || side == FailureSide::kTarget;
    caused_ = true;
    cause_ = {stage, FailureKind::kTableEnded, failure};
    cause_.side = side;
    return cause_;
}

void TableEnding::readingFailed(const std::string& failure, CopyStage stage) {
    if (!ending_) endedBy(failure, stage, FailureSide::kSource);
}

void TableEnding::tableGone(const std::string& failure, CopyStage stage) {
    if (ending_) return;
    tableGone_ = true;
    endedBy(failure, stage, FailureSide::kTarget);
}

std::optional<CopyFailure> TableEnding::report(const std::string& table, long long rowsStanding) const {
    if (!ending_ || *ending_ == TableOutcome::kStopped) return std::nullopt;
    CopyFailure report = cause_;
    report.target = table;
    report.consequence = tableGone_ ? TableConsequence::kTableGone : TableConsequence::kRowsStand;
    report.rowsStanding = rowsStanding;
    return report;
}

}  // namespace tess
