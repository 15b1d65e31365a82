#include "tables/window_copy_observer.h"

#include <chrono>

#include "common/stop_request.h"
#include "connect/connection_strings.h"
#include "connect/reconnect.h"
#include "platform/database.h"
#include "platform/toolkit.h"
#include "routines/error_trap.h"
#include "transfer/table_copier.h"

namespace tess {

int WindowCopyObserver::askOverwrite(const std::string& table) {
    return toolkit_.messageBox("Would you like to overwrite " + table + "?", kYesNo, "Overwrite?");
}

void WindowCopyObserver::report(const StepFailure& failure) {
    ShowErrorReport(toolkit_, failure.description, location_, failure.step);
}

void WindowCopyObserver::showProgress(double percent) { controls_.progressBar.setValue(percent); }
void WindowCopyObserver::resetProgress() { controls_.progressBar.setValue(0); }
void WindowCopyObserver::betweenRows() { toolkit_.doEvents(); }
bool WindowCopyObserver::stopRequested() const { return controls_.stop && controls_.stop->requested(); }

namespace {

// After a table that lost its connection: true when the copy may go on with the next table.
bool GoOnAfter(const TableOutcome& outcome, ErrorTrap& trap, Toolkit& toolkit, const TablesWindowControls& controls,
               const TableSteps& steps, TableCopier& copier, const std::function<void()>& reopenEnds) {
    if (outcome.ending != TableOutcome::kConnectionLost) return true;
    std::string why = "the server was given up for not answering";
    const auto pass = [&](std::chrono::seconds wait, int, int) {
        return PassUnlessStopped(wait, controls.stop, [&] { toolkit.doEvents(); });  // the window alive
    };
    if (!copier.gaveUp() && ConnectAgain(pass, reopenEnds, why)) return true;
    if (controls.stop && controls.stop->requested()) return false;
    trap.step(steps.name, [&] {
        throw DatabaseError("The servers stay unreachable, so the tables after " + outcome.source +
                            " were not sent: " + why);
    });
    return false;
}

}  // namespace

void SendSelectedTables(ErrorTrap& trap, Toolkit& toolkit, const TablesWindowControls& controls,
                        TableList& sourceList, const TableSteps& steps, TableCopier& copier,
                        const std::function<void()>& reopenEnds) {
    const CancelOnStop cancelling(controls.stop, [&copier] { copier.cancel(); });
    for (int i = sourceList.listCount() - 1; i >= 0; --i) {
        if (controls.stop && controls.stop->requested()) break;
        toolkit.doEvents();
        if (!trap.test(steps.selected, [&] { return sourceList.selected(i); })) continue;
        std::string entry;
        if (!trap.step(steps.name, [&] { entry = sourceList.item(i); })) continue;
        if (!GoOnAfter(copier.copy(entry), trap, toolkit, controls, steps, copier, reopenEnds)) break;
    }
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
