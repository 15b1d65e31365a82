#pragma once
// The companion as a transfer's observer: the overwrite question, answered by --overwrite in the
// plan, is said as the window asks it; each failure is one line with its handler's step number,
// progress is a line a table, and the summary file is kept up to date before each table.
#include <map>
#include <string>
#include <vector>

#include "report/refusal_cap.h"
#include "report/step_numbers.h"
#include "transfer/transfer_run.h"

namespace tess {

class Console;
class StopRequest;
class SummaryFile;
class RejectFiles;

class CompanionObserver : public TransferObserver {
public:
    // `tables`: the plan's, for the summary file (`file`, may be null) kept before each.
    // `rejects` (may be null): where refused rows are written.
    CompanionObserver(Console& console, const StopRequest* stop, bool toFirebird,
                      const std::vector<std::string>& tables, SummaryFile* file, RejectFiles* rejects = nullptr)
        : console_(console), stop_(stop), steps_(StepsOf(toFirebird)), tables_(tables), file_(file),
          rejects_(rejects) {}
    // Each table's file of refused rows, by its source entry.
    const std::map<std::string, std::string>& rejectFiles() const { return rejectFiles_; }

    // Never asked: the plan answers the question. No, should a plan ever leave it open.
    bool overwrite(const std::string&) override { return false; }
    void overwriteAnswered(const std::string& table, bool yes) override;
    void failed(const CopyFailure& failure) override;
    void rowSent(const std::string& table, long long done, long long total) override;
    void tableDone(const TableOutcome& outcome) override;
    void tableStarting(size_t index) override;
    bool waitToReconnect(std::chrono::seconds wait, int attempt, int attempts) override;
    void reconnected() override;
    void tableCopiedAgain(size_t index) override;
    void structureRefused(const std::string& table, const std::string& what, const std::string& why) override;
    void blockRefused(const std::string& table, size_t rows, const std::string& why) override;

private:
    Console& console_;
    const StopRequest* stop_;
    const TableSteps& steps_;
    const std::vector<std::string>& tables_;
    SummaryFile* file_;
    std::vector<TableOutcome> outcomes_;  // so far, for the summary file
    RefusalCap refusals_{kCompanionRefusalsShown};  // of the table being copied
    RejectFiles* rejects_;
    bool rejectsFailed_ = false;  // said once; the rows are still counted
    std::map<std::string, std::string> rejectFiles_;
    void keepRejected(const CopyFailure& failure);
};

}  // namespace tess
