#include "tables/window_copy_observer.h"

#include "common/stop_request.h"
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

void SendSelectedTables(ErrorTrap& trap, Toolkit& toolkit, const TablesWindowControls& controls,
                        TableList& sourceList, const TableSteps& steps, TableCopier& copier) {
    const CancelOnStop cancelling(controls.stop, [&copier] { copier.cancel(); });
    for (int i = sourceList.listCount() - 1; i >= 0; --i) {
        if (controls.stop && controls.stop->requested()) break;
        toolkit.doEvents();
        if (!trap.test(steps.selected, [&] { return sourceList.selected(i); })) continue;
        std::string entry;
        if (trap.step(steps.name, [&] { entry = sourceList.item(i); })) copier.copy(entry);
    }
}

}  // namespace tess
