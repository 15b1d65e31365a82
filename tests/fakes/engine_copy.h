#pragma once
// The copy engine driven as the companion drives it, with the tables window's words: the overwrite
// questions and the error reports land in a FakeToolkit's boxes, and each table's outcome is kept.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/stop_request.h"
#include "connect/logins.h"
#include "fakes/fake_toolkit.h"
#include "transfer/copy_observer.h"
#include "transfer/copy_watchdog.h"

namespace tess {

class Database;

class RecordingObserver : public CopyObserver {
public:
    RecordingObserver(FakeToolkit& ui, std::string location) : ui_(ui), location_(std::move(location)) {}
    int askOverwrite(const std::string& table) override;
    void report(const StepFailure& failure) override;
    void rowSent(const std::string&, long long done, long long) override {
        if (onRow) onRow(done);
    }
    bool stopRequested() const override { return stop.requested(); }
    void tableDone(const TableOutcome& outcome) override { outcomes.push_back(outcome); }

    std::vector<TableOutcome> outcomes;
    std::vector<StepFailure> failures;
    StopRequest stop;
    std::function<void(long long rowsDone)> onRow;

private:
    FakeToolkit& ui_;
    std::string location_;
};

struct EngineCopy {
    bool toFirebird = true;
    bool bulk = false;
    std::optional<CopyWatchdog::Limits> limits{};  // the engine's own when none
    size_t blockRows = 0;                          // bulk blocks of so many rows, not the target's
};

// Copies `tables`, in this order, on two connections opened from the logins and closed after. The
// target's tables are those of `targetTables`, which learns of every table dropped and made.
void CopyThroughEngine(Database& database, const LoginSource& logins, EngineCopy how, TableList& targetTables,
                       const std::vector<std::string>& tables, RecordingObserver& observer);

}  // namespace tess
