#include "tables/window_copy_observer.h"

#include <chrono>
#include <utility>

#include "common/stop_request.h"
#include "connect/connection_strings.h"
#include "connect/reconnect.h"
#include "platform/database.h"
#include "platform/toolkit.h"
#include "report/failure_text.h"
#include "routines/error_trap.h"
#include "routines/helpers.h"

namespace tess {

bool WindowCopyObserver::overwrite(const std::string& table) {
    return toolkit_.messageBox("Would you like to overwrite " + table + "?", kYesNo, "Overwrite?") == kAnswerYes;
}

// A row's box names its table and row; past the cap, a cause's rows are only counted.
void WindowCopyObserver::failed(const CopyFailure& failure) {
    if (!refusals_.show(failure)) return;
    std::string where;
    if (failure.row > 0) {
        where = "Table " + failure.table + ", row " + std::to_string(failure.row);
        if (!failure.rowKey.empty()) where += " (" + failure.rowKey + ")";
        where += ":\n";
    }
    ShowErrorReport(toolkit_, where + FailureText(failure), location_, steps_.of(failure.stage));
}

// The table's last box, where refused rows were only counted: how many rows did not go.
void WindowCopyObserver::tableDone(const TableOutcome& outcome) {
    if (!refusals_.held().empty())
        toolkit_.messageBox("The target refused " + std::to_string(outcome.rowsRefused) + " rows of " + outcome.target +
                                ", which were not sent; after " + std::to_string(kWindowRefusalsShown) +
                                " boxes for one reason the rest were counted without a box.",
                            kOkOnly + kExclamation, kProgramTitle);
    refusals_.reset();
}

// The window's own steps: a control that fails is reported with the handler's step, and the copy goes on.
void WindowCopyObserver::shown(int step, const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        ShowErrorReport(toolkit_, e.what(), location_, step);
    } catch (...) {
        ShowErrorReport(toolkit_, "Unknown error", location_, step);
    }
}

void WindowCopyObserver::showProgress(double percent) {
    shown(steps_.progress, [&] { controls_.progressBar.setValue(percent); });
}
void WindowCopyObserver::rowSent(const std::string&, long long, long long) { toolkit_.doEvents(); }
void WindowCopyObserver::resetProgress() {
    shown(steps_.resetProgress, [&] { controls_.progressBar.setValue(0); });
}
void WindowCopyObserver::targetDropped(const std::string& table) {
    shown(steps_.unlist, [&] { ListRemoveItem(targetList_, table); });
}
void WindowCopyObserver::targetMade(const std::string& table) {
    shown(steps_.addToList, [&] { targetList_.addItem(table); });
}
void WindowCopyObserver::tableStarting(size_t) { toolkit_.doEvents(); }

// The bar is busy from the start: a count of many rows leaves it at nothing otherwise.
void WindowCopyObserver::countingSource(const std::string&) {
    shown(steps_.progress, [&] {
        controls_.progressBar.showWaiting("");
        toolkit_.doEvents();
    });
}

// The bar says why nothing moves and when the next try comes; closing the window stops the wait.
bool WindowCopyObserver::waitToReconnect(std::chrono::seconds wait, int attempt, int attempts) {
    const std::string tries = " (try " + std::to_string(attempt) + " of " + std::to_string(attempts) + ")";
    barWaiting_ = true;
    const auto said = std::chrono::steady_clock::now();
    const bool waited = PassUnlessStopped(wait, controls_.stop, [&] {  // the window alive
        const auto left = wait - std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - said);
        shown(steps_.progress, [&] {
            controls_.progressBar.showWaiting("Connection lost: connecting again in " + std::to_string(left.count()) +
                                              " s" + tries + ". Close the window to stop.");
        });
        toolkit_.doEvents();
    });
    if (waited) {
        shown(steps_.progress, [&] { controls_.progressBar.showWaiting("Connecting again" + tries + "..."); });
        toolkit_.doEvents();
    }
    return waited;
}

void WindowCopyObserver::reconnected() { endWaiting(); }

void WindowCopyObserver::endWaiting() {
    if (!std::exchange(barWaiting_, false)) return;
    shown(steps_.progress, [&] { controls_.progressBar.setValue(0); });
}

void SendSelectedTables(ErrorTrap& trap, const TablesWindowControls& controls, TableList& sourceList,
                        TransferPlan plan, TransferEnds& ends, WindowCopyObserver& observer) {
    const TableSteps& steps = StepsOf(plan.toFirebird);
    for (int i = sourceList.listCount() - 1; i >= 0; --i) {
        if (!trap.test(steps.selected, [&] { return sourceList.selected(i); })) continue;
        trap.step(steps.name, [&] { plan.tables.push_back(sourceList.item(i)); });
    }
    plan.targetTables = ListItems(plan.toFirebird ? controls.firebirdList : controls.sqlServerList);
    plan.sqlServerNames = controls.sqlServerNames;
    plan.stop = controls.stop;
    const TransferResult result = RunTransfer(plan, ends, observer);
    observer.endWaiting();
    if (result.end == TransferResult::End::kBroken) {
        trap.step(steps.name, [&] { throw DatabaseError("The transfer broke off: " + result.why); });
        return;
    }
    const bool unsent = result.tables.size() < plan.tables.size();
    if (!unsent || (result.end != TransferResult::End::kGivenUp && result.end != TransferResult::End::kUnreachable))
        return;
    const std::string why = result.end == TransferResult::End::kGivenUp ? "the server was given up for not answering"
                                                                        : result.why;
    trap.step(steps.name, [&] {
        throw DatabaseError("The servers stay unreachable, so the tables after " + result.tables.back().source +
                            " were not sent: " + why);
    });
}

void ReopenEnds(Connection* firebird, const FirebirdLogin& firebirdLogin, Connection* sqlServer,
                const SqlServerLogin& sqlServerLogin) {
    for (Connection* c : {firebird, sqlServer}) {
        try {
            c->close();  // what is left of the lost one
        } catch (const std::exception&) {
        }
        c->setConnectionTimeout(kReconnectTimeout);
    }
    firebird->open(FirebirdSettings(firebirdLogin));
    try {
        sqlServer->open(SqlServerSettings(sqlServerLogin));
    } catch (const std::exception&) {
        try {
            firebird->close();  // both closed, as the handler is told
        } catch (const std::exception&) {
        }
        throw;
    }
}

}  // namespace tess
