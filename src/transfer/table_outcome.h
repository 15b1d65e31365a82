#pragma once
// How far the copy of one table got: what a scheduler or a person needs to tell a complete copy
// from an interrupted one.
#include <optional>
#include <string>

#include "transfer/copy_failure.h"

namespace tess {

struct TableOutcome {
    enum Ending {
        kComplete,        // every row read was offered to the target
        kStopped,         // a stop was requested: the rows written so far were committed
        kConnectionLost,  // the target or the source could take no more
        kEnded,           // the table took no more rows (gone, not writable, the same failure row after row)
        kSkipped,         // the overwrite question was answered No
        kNotCopied,       // the source could not be read, or the target refused the table
    };
    std::string source, target;
    long long rowsRead = 0;
    long long rowsWritten = 0;  // committed to the target
    long long rowsRefused = 0;  // refused one by one, each with its own report
    long long rowsFateUnknown = 0;  // written, their commit under way when the connection went
    double seconds = 0;
    Ending ending = kComplete;
    std::optional<CopyFailure> cause{};  // the report that ended the table early, when one did
    int failures = 0;   // every failure told of the table, each refused row's included
    int copiedAgain = 0;  // 1: copied again from its start after a lost connection came back
};

const char* EndingText(TableOutcome::Ending ending);

// The rows read that neither stand in the target nor were refused one by one: a batch that a stop
// or a failure cut off, the rows held when the table ended, the work of a transaction rolled back.
// Those whose commit's fate is unknown are not among them.
long long RowsNotWritten(const TableOutcome& outcome);

}  // namespace tess
