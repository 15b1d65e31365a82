#pragma once
// What a table copy tells the one who asked for it, and what it asks of them. The tables window
// answers with its boxes, list and progress bar; the companion with its options and its lines.
#include <string>

#include "transfer/table_outcome.h"

namespace tess {

// A step that failed: its number and the failure's own words, and where the copy was: the table,
// and the row (counted from 1) when the failure is a row's.
struct StepFailure {
    int step;
    std::string description;
    std::string table;
    long long row = 0;   // 0: not a row's
    std::string rowKey;  // the row's key values ("ID '5', CODE 'x'"), when asked for and known
};

class CopyObserver {
public:
    virtual ~CopyObserver() = default;
    // The overwrite question, for a table the target already lists: 6 for Yes, 7 for No.
    virtual int askOverwrite(const std::string& table) = 0;
    // A step that failed. The copy goes on as its steps say.
    virtual void report(const StepFailure& failure) = 0;
    // Before each row, when the source said how many rows it holds: the share done, 0 to 100.
    virtual void showProgress(double /*percent*/) {}
    // After each row offered to the target: rows done, rows in all (-1 when unknown).
    virtual void rowSent(const std::string& /*table*/, long long /*done*/, long long /*total*/) {}
    // The progress of the table that ended goes back to nothing.
    virtual void resetProgress() {}
    // Between columns and rows: a window processes its pending events here.
    virtual void betweenRows() {}
    // Asked between rows: true ends the table after committing what was written.
    virtual bool stopRequested() const { return false; }
    virtual void tableDone(const TableOutcome& /*outcome*/) {}
};

}  // namespace tess
