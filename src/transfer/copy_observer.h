#pragma once
// What a table copy tells the one who asked for it, and what it asks of them. The engine knows no
// window: the tables window turns these into its boxes, step numbers, list and progress bar; the
// companion into its lines and exit status.
#include <string>

#include "transfer/copy_failure.h"
#include "transfer/table_outcome.h"

namespace tess {

// The overwrite question: asked of the observer, or answered beforehand (a scheduled copy).
enum class OverwritePolicy { kAsk, kYes, kNo };

class CopyObserver {
public:
    virtual ~CopyObserver() = default;
    // The overwrite question, for a table the target already holds: true replaces it. Asked only
    // when the plan leaves it to the observer; else the answer given beforehand is told.
    virtual bool overwrite(const std::string& table) = 0;
    virtual void overwriteAnswered(const std::string& /*table*/, bool /*yes*/) {}
    // A failure. The copy goes on as far as the failure leaves it.
    virtual void failed(const CopyFailure& failure) = 0;
    // What follows only shows what happened: an observer that fails at it says so itself.
    // The source's rows are being counted, before the first row (a count can take a while).
    virtual void countingSource(const std::string& /*table*/) {}
    // Before each row, when the source said how many rows it holds: the share done, 0 to 100.
    virtual void showProgress(double /*percent*/) {}
    // After each row offered to the target: rows done, rows in all (-1 when unknown). A window
    // processes its pending events here.
    virtual void rowSent(const std::string& /*table*/, long long /*done*/, long long /*total*/) {}
    // The progress of the table that ended goes back to nothing.
    virtual void resetProgress() {}
    // The target's tables changed: one dropped, one made.
    virtual void targetDropped(const std::string& /*table*/) {}
    virtual void targetMade(const std::string& /*table*/) {}
    virtual void tableDone(const TableOutcome& /*outcome*/) {}
    // The target would not prepare a block of `rows` rows (`why`: its words): the table's rows go
    // one at a time, every one of them still written. Told once a table.
    virtual void blockRefused(const std::string& /*table*/, size_t /*rows*/, const std::string& /*why*/) {}
};

}  // namespace tess
