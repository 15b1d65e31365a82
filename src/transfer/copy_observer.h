#pragma once
// What a table copy tells the one who asked for it, and what it asks of them. The engine knows no
// window: the tables window turns these into its boxes, step numbers, list and progress bar; the
// companion into its lines and exit status.
#include <string>

#include "transfer/table_outcome.h"

namespace tess {

// Where in a table's copy a failure came. The windows number each stage as their handler does; the
// steps that only show what happened (the progress, the target's list) are the observer's own.
enum class CopyStage {
    kListed,         // is the table among the target's?
    kAsk,            // the overwrite question, or a name the target cannot tell from another
    kOpenSource,     // the source's rows opened
    kDrop,           // the old target table dropped
    kColumns,        // the source's columns read
    kCreate,         // the CREATE, and the session settings around the rows
    kCount,          // the source's row count
    kBegin,          // the rows' transaction begun
    kEof,            // the source asked for more rows
    kCommitBatch,    // the rows so far committed, between batches
    kReadRow,        // a row read
    kInsert,         // a row written
    kMoveNext,       // the source moved to its next row
    kCommit,         // the rows' transaction committed at the table's end
    kCloseSource,    // the source closed
};

// What a failure did to the copy, so that an observer need not tell it by the words.
enum class FailureKind {
    kRow,             // one row was not written (refused, or unreadable); the copy goes on
    kStep,            // a step failed that costs no row (a count, a setting, a close); the copy goes on
    kTableNotCopied,  // the table was not copied, and nothing of it was written
    kTableEnded,      // the copy of the table ended early; the rows written before it stand
    kConnectionLost,  // a connection was lost: the table ended, and the run may connect again
};

// The overwrite question: asked of the observer, or answered beforehand (a scheduled copy).
enum class OverwritePolicy { kAsk, kYes, kNo };

// A failure, with the failure's own words (the driver's, with what became of the table), where the
// copy was: the table, and the row (counted from 1) when the failure is a row's.
struct CopyFailure {
    CopyStage stage;
    FailureKind kind;
    std::string description;
    std::string table;
    long long row = 0;   // 0: not a row's
    std::string rowKey;  // the row's key values ("ID '5', CODE 'x'"), when asked for and known
    bool endsTable = false;  // the table goes no further (its outcome says how far it got)
};

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
