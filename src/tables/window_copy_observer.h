#pragma once
// The tables window as a transfer's observer: the overwrite question and the error reports are its
// boxes (each report with the handler's step number), the progress is its bar, the target's list
// box follows the tables dropped and made, and pending events run between rows so that it stays
// alive.
#include <functional>
#include <string>

#include "platform/connection_settings.h"
#include "report/refusal_cap.h"
#include "report/step_numbers.h"
#include "tables/tables_window_controls.h"
#include "transfer/transfer_run.h"

namespace tess {

class Connection;
class Toolkit;
class ErrorTrap;
class TableList;

class WindowCopyObserver : public TransferObserver {
public:
    WindowCopyObserver(Toolkit& toolkit, const TablesWindowControls& controls, TableList& targetList,
                       const TableSteps& steps, std::string location)
        : toolkit_(toolkit), controls_(controls), targetList_(targetList), steps_(steps),
          location_(std::move(location)) {}

    bool overwrite(const std::string& table) override;
    void failed(const CopyFailure& failure) override;
    void showProgress(double percent) override;
    void countingSource(const std::string& table) override;
    void reconnected() override;
    void rowSent(const std::string& table, long long done, long long total) override;
    void resetProgress() override;
    void targetDropped(const std::string& table) override;
    void targetMade(const std::string& table) override;
    void tableStarting(size_t index) override;
    void tableDone(const TableOutcome& outcome) override;
    bool waitToReconnect(std::chrono::seconds wait, int attempt, int attempts) override;
    // The bar back to its measure, should the run have ended while it waited to connect again.
    void endWaiting();

private:
    void shown(int step, const std::function<void()>& body);

    Toolkit& toolkit_;
    const TablesWindowControls& controls_;
    TableList& targetList_;
    const TableSteps& steps_;
    std::string location_;
    RefusalCap refusals_{kWindowRefusalsShown};  // of the table being copied
    bool barWaiting_ = false;  // the bar says the run waits to connect again
};

// A send handler's two connections: `targetOpen` is the handler's own flag, and `reopen` opens
// both again as the handler opened them (`ReopenEnds`).
class HandlerEnds : public TransferEnds {
public:
    HandlerEnds(Connection* source, Connection* target, const bool& targetOpen, std::function<void()> reopen)
        : source_(source), target_(target), targetOpen_(targetOpen), reopen_(std::move(reopen)) {}
    Connection* source() override { return source_; }
    Connection* target() override { return target_; }
    bool targetOpen() const override { return targetOpen_; }
    void reopen() override { reopen_(); }

private:
    Connection* source_;
    Connection* target_;
    const bool& targetOpen_;
    std::function<void()> reopen_;
};

// Every selected entry of the source list, the last entry first, through one transfer; the
// handler's trap reports the steps that read the list, and the tables left unsent when the
// servers stay unreachable or one was given up for not answering.
void SendSelectedTables(ErrorTrap& trap, const TablesWindowControls& controls, TableList& sourceList,
                        TransferPlan plan, TransferEnds& ends, WindowCopyObserver& observer);

// The handler's two connections opened again after one was lost, as the handler opened them, each
// try bounded by the reconnect's own time-out; when it throws, both are closed.
void ReopenEnds(Connection* firebird, const FirebirdLogin& firebirdLogin, Connection* sqlServer,
                const SqlServerLogin& sqlServerLogin);

}  // namespace tess
