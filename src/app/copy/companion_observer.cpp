#include "app/copy/companion_observer.h"

#include "app/copy/copy_summary.h"
#include "common/stop_request.h"
#include "app/copy/reject_files.h"
#include "app/copy/summary_file.h"
#include "common/printable_text.h"
#include "report/failure_text.h"
#include "connect/reconnect.h"
#include "app/copy/console.h"

namespace tess {

// Said as the window asks it, with the answer of --overwrite.
void CompanionObserver::overwriteAnswered(const std::string& table, bool yes) {
    console_.answered("Overwrite?", "Would you like to overwrite " + table + "?", yes);
}

// One line: where, the driver's own words, and the step, which matches the windows' reports.
void CompanionObserver::failed(const CopyFailure& failure) {
    keepRejected(failure);
    if (!refusals_.show(failure)) return;
    std::string where = PrintableText(failure.table);
    if (failure.row > 0) where += ", row " + std::to_string(failure.row);
    if (!failure.rowKey.empty()) where += " (" + PrintableText(failure.rowKey) + ")";
    console_.reportFailure(where + ": " + Console::OneLine(FailureText(failure)) + " [step " +
                           std::to_string(steps_.of(failure.stage)) + "]");
}

void CompanionObserver::rowSent(const std::string& table, long long done, long long total) {
    console_.rowsSent(table, done, total);
}

// A line a cause for the refused rows that were only counted.
// Every refused row goes to the file, shown or not. A file that cannot be written is said once.
void CompanionObserver::keepRejected(const CopyFailure& failure) {
    if (!rejects_ || rejectsFailed_) return;
    try {
        rejects_->refused(failure);
    } catch (const RejectFilesError& e) {
        rejectsFailed_ = true;
        console_.reportFailure(e.what());
    }
}

void CompanionObserver::tableDone(const TableOutcome& outcome) {
    try {
        if (const auto path = rejects_ && !rejectsFailed_ ? rejects_->tableDone() : std::nullopt) {
            rejectFiles_[outcome.source] = *path;
            console_.say(PrintableText(outcome.source) + ": its refused rows are in " + PrintableText(*path));
        }
    } catch (const RejectFilesError& e) {
        rejectsFailed_ = true;
        console_.reportFailure(e.what());
    }
    for (const auto& held : refusals_.held())
        console_.reportFailure(PrintableText(outcome.source) + ": ... and " + std::to_string(held.rows) +
                               " more rows refused for the same reason: " + Console::OneLine(held.words));
    refusals_.reset();
    outcomes_.push_back(outcome);
}

void CompanionObserver::tableStarting(size_t) {
    if (file_) file_->keep(SoFar(outcomes_, tables_));
}

bool CompanionObserver::waitToReconnect(std::chrono::seconds wait, int attempt, int attempts) {
    if (stop_ && stop_->requested()) return false;  // after "stopping", no further try is announced
    console_.say("a connection was lost; connecting again in " + std::to_string(wait.count()) + " s (try " +
                 std::to_string(attempt) + " of " + std::to_string(attempts) + ")");
    return PassUnlessStopped(wait, stop_);
}

void CompanionObserver::reconnected() { console_.say("connected again; the copy goes on"); }

// The outcome of the cut-short copy gives way to the new one.
void CompanionObserver::tableCopiedAgain(size_t index) {
    if (!outcomes_.empty()) outcomes_.pop_back();
    if (index < tables_.size()) console_.say(PrintableText(tables_[index]) + ": copying it again from its start");
    if (file_) file_->keep(SoFar(outcomes_, tables_));
}

void CompanionObserver::structureRefused(const std::string& table, const std::string& what, const std::string& why) {
    console_.reportFailure(PrintableText(table) + ": " + what + " was not made: " + Console::OneLine(why));
}

// Said, not counted as a failure: every row still arrives, more slowly.
void CompanionObserver::blockRefused(const std::string& table, size_t rows, const std::string& why) {
    console_.say(PrintableText(table) + ": the target would not take a block of " + std::to_string(rows) +
                 " rows, so its rows go one at a time: " + Console::OneLine(why));
}

}  // namespace tess
