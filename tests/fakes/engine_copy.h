#pragma once
// The copy engine's one entry point driven as the companion drives it, with the tables window's
// words: the overwrite questions and the error reports land in a FakeToolkit's boxes, and each
// table's outcome and failure is kept.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/stop_request.h"
#include "connect/logins.h"
#include "fakes/fake_toolkit.h"
#include "common/copy_watchdog.h"
#include "transfer/transfer_run.h"

namespace tess {

class Database;

class RecordingObserver : public TransferObserver {
public:
    RecordingObserver(FakeToolkit& ui, std::string location) : ui_(ui), location_(std::move(location)) {}
    bool overwrite(const std::string& table) override;
    void failed(const CopyFailure& failure) override;
    void rowSent(const std::string&, long long done, long long) override {
        if (onRow) onRow(done);
    }
    void tableDone(const TableOutcome& outcome) override { outcomes.push_back(outcome); }
    // The outcome of a copy cut short gives way to the copy made again.
    void tableCopiedAgain(size_t index) override {
        if (!outcomes.empty()) outcomes.pop_back();
        copiedAgain.push_back(index);
    }
    void overwriteAnswered(const std::string& table, bool yes) override {
        answeredBeforehand.push_back(table + (yes ? ": yes" : ": no"));
    }
    void targetDropped(const std::string& table) override;
    void targetMade(const std::string& table) override;
    bool waitToReconnect(std::chrono::seconds, int, int) override { return !stop.requested(); }
    void blockRefused(const std::string& table, size_t rows, const std::string& why) override {
        blockRefusals.push_back(table + ": " + std::to_string(rows) + ": " + why);
    }

    std::vector<TableOutcome> outcomes;
    std::vector<size_t> copiedAgain;  // the tables copied again, by their place in the plan
    std::vector<CopyFailure> failures;
    std::vector<std::string> blockRefusals;  // "table: rows: words"
    std::vector<std::string> answeredBeforehand;  // "table: yes" where the plan answered the question
    StopRequest stop;
    std::function<void(long long rowsDone)> onRow;
    bool toFirebird = true;       // the steps' numbering of the reports
    TableList* targets = nullptr;  // follows the target's tables, as a window's list box does

private:
    FakeToolkit& ui_;
    std::string location_;
};

struct EngineCopy {
    bool toFirebird = true;
    bool bulk = false;
    std::optional<CopyWatchdog::Limits> limits{};  // the engine's own when none
    size_t blockRows = 0;                          // bulk blocks of so many rows, not the target's
    OverwritePolicy overwrite = OverwritePolicy::kAsk;
};

// Copies `tables`, in this order, on two connections opened from the logins and closed after. The
// target's tables are those of `targetTables`, which learns of every table dropped and made.
TransferResult CopyThroughEngine(Database& database, const LoginSource& logins, EngineCopy how,
                                 TableList& targetTables, const std::vector<std::string>& tables,
                                 RecordingObserver& observer);

}  // namespace tess
