#include "app/copy/copy_summary.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "common/printable_text.h"
#include "report/failure_text.h"

namespace tess {

bool TargetDiffers(const TableSummary& summary) {
    // A commit cut off by the link may have reached the server: either count is then no change.
    // A table skipped or not copied holds nothing of this copy: whatever is there is no change.
    if (!summary.outcome || !summary.inTarget || summary.outcome->ending == TableOutcome::kSkipped ||
        summary.outcome->ending == TableOutcome::kNotCopied)
        return false;
    const TableOutcome& o = *summary.outcome;
    return *summary.inTarget != o.rowsWritten && *summary.inTarget != o.rowsWritten + o.rowsFateUnknown;
}

std::string SummaryOutcome(const TableSummary& summary) {
    if (summary.absent) return "not in the source";
    if (summary.inFlight) return "stopped";
    if (!summary.outcome) return "not started";
    const TableOutcome& o = *summary.outcome;
    if (o.ending == TableOutcome::kComplete && o.rowsRefused > 0) return "some rows refused";
    if (o.ending == TableOutcome::kComplete && TargetDiffers(summary)) return "the target holds other rows";
    return EndingText(o.ending);
}

bool SummaryComplete(const TableSummary& summary) {
    if (!summary.outcome) return false;
    const TableOutcome& o = *summary.outcome;
    if (o.ending == TableOutcome::kSkipped) return true;
    return o.ending == TableOutcome::kComplete && o.rowsRefused == 0 && o.failures == 0 && !TargetDiffers(summary);
}

namespace {

void PrintList(std::ostream& out, const char* heading, const std::vector<std::string>& items) {
    if (items.empty()) return;
    out << "  " << heading << ":";
    for (size_t i = 0; i < items.size(); ++i) out << (i ? "; " : " ") << PrintableText(items[i]);
    out << "\n";
}

void PrintStructure(std::ostream& out, const StructureOutcome& structure) {
    PrintList(out, "made", structure.made);
    PrintList(out, "REFUSED", structure.refused);
    const std::string because = structure.notMadeBecause.empty() ? "the connection was lost" : structure.notMadeBecause;
    PrintList(out, ("NOT MADE (" + because + ")").c_str(), structure.notMade);
    PrintList(out, "not carried", structure.notCarried);
}

}  // namespace

void PrintSummaryLine(std::ostream& out, const TableSummary& summary) {
    out << "table " << PrintableText(summary.table) << ": ";
    if (!summary.outcome) {
        out << SummaryOutcome(summary) << "\n";
        return;
    }
    const TableOutcome& o = *summary.outcome;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", o.seconds);
    out << "read " << o.rowsRead << ", written " << o.rowsWritten << ", refused " << o.rowsRefused << ", " << seconds
        << " s, in target ";
    if (summary.inTarget)
        out << *summary.inTarget;
    else
        out << "unknown";
    if (TargetDiffers(summary)) out << " (differs from written)";
    out << ", " << SummaryOutcome(summary);
    if (const long long notWritten = RowsNotWritten(o); notWritten > 0)
        out << " (" << notWritten << (notWritten == 1 ? " row read was" : " rows read were") << " not written)";
    if (o.copiedAgain > 0) out << " (copied again from its start after a lost connection)";
    out << "\n";
    if (summary.structure) PrintStructure(out, *summary.structure);
}

std::string SummaryJson(const std::vector<TableSummary>& tables, int exitStatus,
                        const std::vector<std::string>& notCarried) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& summary : tables) {
        nlohmann::json t = {{"table", summary.table}, {"outcome", SummaryOutcome(summary)}};
        if (const auto& o = summary.outcome) {
            t["rowsRead"] = o->rowsRead;
            t["rowsWritten"] = o->rowsWritten;
            t["rowsRefused"] = o->rowsRefused;
            if (o->rowsFateUnknown > 0) t["rowsFateUnknown"] = o->rowsFateUnknown;
            if (RowsNotWritten(*o) > 0) t["rowsNotWritten"] = RowsNotWritten(*o);
            if (o->copiedAgain > 0) t["copiedAgain"] = o->copiedAgain;
            t["seconds"] = o->seconds;
            if (o->cause) t["cause"] = FailureText(*o->cause);
            if (summary.rejects) t["rejects"] = *summary.rejects;
        }
        if (const auto& k = summary.structure)
            t["structure"] = {{"made", k->made}, {"refused", k->refused}, {"notMade", k->notMade},
                              {"notCarried", k->notCarried}};
        t["inTarget"] = summary.inTarget ? nlohmann::json(*summary.inTarget) : nlohmann::json(nullptr);
        list.push_back(std::move(t));
    }
    // Names and causes may hold bytes that are not UTF-8 (a Firebird NONE table): kept, replaced.
    return nlohmann::json{{"tables", list}, {"notCarried", notCarried}, {"exitStatus", exitStatus}}.dump(2, ' ', false,
                                                                            nlohmann::json::error_handler_t::replace) +
           "\n";
}

// What the summary file would say if the process had to end before the run does: the tables done,
// the one under way, the rest not started.
std::vector<TableSummary> SoFar(const std::vector<TableOutcome>& outcomes, const std::vector<std::string>& requested) {
    std::vector<TableSummary> tables;
    for (size_t i = 0; i < requested.size(); ++i) {
        TableSummary summary{requested[i], std::nullopt, std::nullopt};
        if (i < outcomes.size()) summary.outcome = outcomes[i];
        summary.inFlight = i == outcomes.size();
        tables.push_back(std::move(summary));
    }
    return tables;
}

}  // namespace tess
