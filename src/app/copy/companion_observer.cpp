#include "app/copy/companion_observer.h"

#include "app/copy/copy_summary.h"
#include "app/copy/summary_file.h"
#include "common/printable_text.h"
#include "connect/reconnect.h"
#include "platform/console_toolkit.h"

namespace tess {

// Said as the window asks it, with the answer of --overwrite.
bool CompanionObserver::overwrite(const std::string& table) {
    return toolkit_.messageBox("Would you like to overwrite " + table + "?", kYesNo, "Overwrite?") == kAnswerYes;
}

// One line: where, the driver's own words, and the step, which matches the windows' reports.
void CompanionObserver::failed(const CopyFailure& failure) {
    std::string where = PrintableText(failure.table);
    if (failure.row > 0) where += ", row " + std::to_string(failure.row);
    if (!failure.rowKey.empty()) where += " (" + PrintableText(failure.rowKey) + ")";
    toolkit_.reportFailure(where + ": " + ConsoleToolkit::OneLine(failure.description) + " [step " +
                           std::to_string(steps_.of(failure.stage)) + "]");
}

void CompanionObserver::rowSent(const std::string& table, long long done, long long total) {
    toolkit_.rowsSent(table, done, total);
}

void CompanionObserver::tableStarting(size_t) {
    if (file_) file_->keep(SoFar(outcomes_, tables_));
}

bool CompanionObserver::waitToReconnect(std::chrono::seconds wait, int attempt, int attempts) {
    toolkit_.say("a connection was lost; connecting again in " + std::to_string(wait.count()) + " s (try " +
                 std::to_string(attempt) + " of " + std::to_string(attempts) + ")");
    return PassUnlessStopped(wait, stop_);
}

void CompanionObserver::reconnected() { toolkit_.say("connected again; the copy goes on"); }

void CompanionObserver::structureRefused(const std::string& table, const std::string& what, const std::string& why) {
    toolkit_.reportFailure(PrintableText(table) + ": " + what + " was not made: " + ConsoleToolkit::OneLine(why));
}

// Said, not counted as a failure: every row still arrives, more slowly.
void CompanionObserver::blockRefused(const std::string& table, size_t rows, const std::string& why) {
    toolkit_.say(PrintableText(table) + ": the target would not take a block of " + std::to_string(rows) +
                 " rows, so its rows go one at a time: " + ConsoleToolkit::OneLine(why));
}

}  // namespace tess
