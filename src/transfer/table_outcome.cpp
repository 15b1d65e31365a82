#include "transfer/table_outcome.h"

#include <algorithm>

namespace tess {

const char* EndingText(TableOutcome::Ending ending) {
    switch (ending) {
        case TableOutcome::kComplete: return "complete";
        case TableOutcome::kStopped: return "stopped";
        case TableOutcome::kConnectionLost: return "ended by a lost connection";
        case TableOutcome::kEnded: return "ended by its failure";
        case TableOutcome::kSkipped: return "skipped: it exists";
        case TableOutcome::kNotCopied: return "not copied";
    }
    return "";
}

long long RowsNotWritten(const TableOutcome& o) {
    return std::max(0LL, o.rowsRead - o.rowsWritten - o.rowsRefused - o.rowsFateUnknown);
}

}  // namespace tess
