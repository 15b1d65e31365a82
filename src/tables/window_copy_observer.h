#pragma once
// The tables window as the copy's observer: the overwrite question and the error reports are its
// boxes, the progress is its bar, and pending events run between rows so that it stays alive.
#include <functional>
#include <string>

#include "platform/connection_settings.h"
#include "tables/tables_window_controls.h"
#include "transfer/copy_observer.h"

namespace tess {

class Connection;
class Toolkit;
class ErrorTrap;
class TableCopier;
class TableList;
struct TableSteps;

class WindowCopyObserver : public CopyObserver {
public:
    WindowCopyObserver(Toolkit& toolkit, const TablesWindowControls& controls, std::string location)
        : toolkit_(toolkit), controls_(controls), location_(std::move(location)) {}

    int askOverwrite(const std::string& table) override;
    void report(const StepFailure& failure) override;
    void showProgress(double percent) override;
    void resetProgress() override;
    void betweenRows() override;
    bool stopRequested() const override;

private:
    Toolkit& toolkit_;
    const TablesWindowControls& controls_;
    std::string location_;
};

// Every selected entry of the source list, the last entry first, each through the copier; the
// handler's trap reports the steps that read the list. After a table that lost its connection the
// ends are opened again (`reopenEnds`, which throws when it cannot), after waits that grow, events
// running meanwhile; when the servers stay unreachable, or one was given up for not answering, the
// tables after it are not sent, and one report says so.
void SendSelectedTables(ErrorTrap& trap, Toolkit& toolkit, const TablesWindowControls& controls,
                        TableList& sourceList, const TableSteps& steps, TableCopier& copier,
                        const std::function<void()>& reopenEnds);

// The handler's two connections opened again after one was lost, as the handler opened them, each
// try bounded by the reconnect's own time-out; when it throws, both are closed.
void ReopenEnds(Connection* firebird, const FirebirdLogin& firebirdLogin, Connection* sqlServer,
                const SqlServerLogin& sqlServerLogin);

}  // namespace tess
