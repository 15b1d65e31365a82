#pragma once
// How each requested table of a copy ended, as the companion tells it: a line a table for people,
// and the same as JSON for schedulers.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "transfer/structure_maker.h"
#include "transfer/table_outcome.h"

namespace tess {

struct TableSummary {
    std::string table;                     // as requested
    std::optional<TableOutcome> outcome;   // none: never started
    std::optional<long long> inTarget;     // the rows the target holds after, when they could be counted
    std::optional<StructureOutcome> structure{};  // with --keys, for a table whose rows went in
    bool inFlight = false;  // under way when the process had to end: what stands of it is unknown
    std::optional<std::string> rejects{};  // the file of its refused rows, with --rejects
    bool absent = false;  // named, and not in the source list
};

// True when the target was counted and holds other than the rows written: someone else changed it.
bool TargetDiffers(const TableSummary& summary);

// "complete", "some rows refused", "stopped", ..., "not started"; never "complete" for a table whose
// target holds other than the rows written.
std::string SummaryOutcome(const TableSummary& summary);
// True when the table needs nothing more: copied whole without a failure, or skipped as asked.
bool SummaryComplete(const TableSummary& summary);

// What the summary file would say if the process had to end before the run does: the tables done,
// the one under way, the rest not started.
std::vector<TableSummary> SoFar(const std::vector<TableOutcome>& outcomes, const std::vector<std::string>& requested);

void PrintSummaryLine(std::ostream& out, const TableSummary& summary);
// {"tables": [{"table", "outcome", "rowsRead", "rowsWritten", "rowsRefused", "rowsFateUnknown", "inTarget", "seconds",
// "cause", "structure", "rejects"}, ...], "notCarried": [...], "exitStatus": N}; "inTarget" is null when
// unknown, "cause" only for a table that ended early, "structure" ({"made", "refused", "notMade",
// "notCarried"}) only with --keys; the top "notCarried" names what the source database holds
// besides tables (stored procedures, exceptions, ...), which no copy carries.
std::string SummaryJson(const std::vector<TableSummary>& tables, int exitStatus,
                        const std::vector<std::string>& notCarried = {});

}  // namespace tess
