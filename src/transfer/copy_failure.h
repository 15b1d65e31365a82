#pragma once
// A failure as the engine tells it: where the copy was, what kind of failure it is, the driver's
// own words, and how far the table got. The engine words no sentence of its own around them: the
// observers do (the window's box, the companion's line), from the kind and the facts given here.
#include <string>
#include <vector>

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

// What a failure did to the copy, so that an observer never tells it by the words.
enum class FailureKind {
    kRowRefused,      // one row was not written (the target refused its values, or it could not
                      // be read); the copy goes on
    kStep,            // a step that costs no row failed (a count, a setting, a close); the copy goes on
    kTableRefused,    // the table was not copied (its CREATE or DROP refused, a name it cannot tell)
    kTableEnded,      // the table took no more rows (gone, not writable, the same failure row after
                      // row, a source that stopped giving rows); the rows written before stand
    kConnectionLost,  // a connection was lost (`side`): the table ended, and the run may connect again
    kStalled,         // nothing came through for the stall time-out: the calls were cancelled
    kStopped,         // a stop the server did not answer: its connection was given up
    kFateUnknown,     // the rows' transaction could be neither committed nor rolled back
};

enum class FailureSide { kUnknown, kSource, kTarget };

// The end a stage's calls go to: the source's reading, else the target (the question is neither's).
inline FailureSide SideOf(CopyStage stage) {
    switch (stage) {
        case CopyStage::kOpenSource:
        case CopyStage::kColumns:
        case CopyStage::kCount:
        case CopyStage::kEof:
        case CopyStage::kReadRow:
        case CopyStage::kMoveNext:
        case CopyStage::kCloseSource: return FailureSide::kSource;
        case CopyStage::kAsk: return FailureSide::kUnknown;
        default: return FailureSide::kTarget;
    }
}

// What became of the table, for the sentence after the words.
enum class TableConsequence {
    kNone,
    kNoRowsSent,   // the CREATE was refused: `target` was not copied, no rows were sent to it
    kLeftAsItWas,  // the DROP was refused: `dropped` was left as it was, `target` not copied
    kDropUnknown,  // the connection went with the DROP under way: whether `dropped` stands is not known
    kRowsStand,    // the copy of `target` ended here; `rowsStanding` rows of it stand
    kTableGone,    // the copy of `target` ended here: the table is no longer in the target
    kCaseTwin,     // `target` differs only in case from `alike[0]`, copied just before: not replaced
    kNamesAlike,   // the target's tables `alike` all equal `target` without regard to case: none replaced
};

struct CopyFailure {
    CopyStage stage;
    FailureKind kind;
    std::string words;  // the driver's own; the engine's only where no driver spoke (a name conflict)
    std::string table{};  // the source entry, as the report names it
    long long row = 0;   // counted from 1; 0: not a row's
    std::string rowKey{};  // the row's key values ("ID '5', CODE 'x'"), when asked for and known
    bool endsTable = false;  // the table goes no further (its outcome says how far it got)
    FailureSide side = FailureSide::kUnknown;
    TableConsequence consequence = TableConsequence::kNone;
    std::string target{};        // the copy's name in the target
    std::string dropped{};       // kLeftAsItWas: the table the DROP named
    std::vector<std::string> alike{};  // kCaseTwin, kNamesAlike
    long long rowsStanding = 0;  // kRowsStand
    long long rowsFateUnknown = 0;  // kRowsStand: rows whose commit was under way when the link went
    int sameFailures = 0;        // kTableEnded by rows failing alike, this many in a row
    long long refusedLimit = 0;  // kTableEnded by as many refused rows as the plan allows
    std::string cause{};         // a row's: alike refusals share it (the driver's codes, else the words)
    // A refused row's INSERT, the text the literal path sends; or why no literal carries it.
    std::string rowStatement{}, noRowStatement{};
};

}  // namespace tess
