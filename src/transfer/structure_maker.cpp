#include "transfer/structure_maker.h"

#include "common/sql_literal.h"
#include "platform/database.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

constexpr int kOffendersShown = 5;

// Texts quoted, so that their spaces show.
std::string Shown(const Value& value) {
    if (IsNull(value)) return "NULL";
    if (std::holds_alternative<std::string>(value)) return QuotedLiteral(ValueText(value));
    return ValueText(value);
}

}  // namespace

void StructureMaker::make(const std::string& table, StructurePlan plan) {
    outcomes_.push_back({table, {}, {}, std::move(plan.notCarried)});
    for (const auto& statement : plan.statements) run(outcomes_.back(), statement);
    for (auto& key : plan.foreignKeys) foreignKeys_.emplace_back(outcomes_.size() - 1, std::move(key));
}

void StructureMaker::makeForeignKeys() {
    for (const auto& [index, statement] : foreignKeys_) run(outcomes_[index], statement);
    foreignKeys_.clear();
}

// A lost connection is made again and the statement sent once more: a statement whose commit the
// cut left unknown may then be refused for what it made ("already exists"), said so. A connection
// that does not come back, a stop or a stall ends the phase, said once: every statement after it is
// only listed as not made.
void StructureMaker::run(StructureOutcome& outcome, const StructureStatement& statement) {
    if (ended(outcome, statement)) return;
    try {
        execute(outcome, statement);
    } catch (const DatabaseError& e) {
        Connection* again = e.connectionLost() && watch_.reconnect ? watch_.reconnect() : nullptr;
        if (!again) return refusedOrEnded(outcome, statement, e);
        target_ = again;
        try {
            execute(outcome, statement);
        } catch (const DatabaseError& second) {
            refusedOrEnded(outcome, statement, second);
        }
    }
}

void StructureMaker::execute(StructureOutcome& outcome, const StructureStatement& statement) {
    target_->execute(statement.sql);
    outcome.made.push_back(statement.what);
    if (watch_.progress) watch_.progress();
}

void StructureMaker::refusedOrEnded(StructureOutcome& outcome, const StructureStatement& statement,
                                    const DatabaseError& e) {
    const bool stalled = e.cancelled() && watch_.stalled && watch_.stalled();
    const bool stopped = e.cancelled() && watch_.stopRequested && watch_.stopRequested();
    if (e.connectionLost() || stalled || stopped) {
        const char* because = stalled ? "the target stopped answering" : stopped ? "stopped" : "the connection was lost";
        return endPhase(outcome, statement, std::string(e.what()) + "\n" +
                                                (stalled ? "The target did not answer within the stall time-out"
                                                 : stopped ? "The copy was stopped"
                                                           : "The connection was lost") +
                                                ": no further key, index or foreign key is made.",
                        because);
    }
    std::string why = e.what();
    const std::string inTheWay = offenders(statement);
    if (!inTheWay.empty()) why += "\n" + statement.offendersAre + ": " + inTheWay;
    outcome.refused.push_back(statement.what);
    refused_(outcome.table, statement.what, why);
}

// True, and the statement listed as not made, once the phase has ended or a stop is asked for.
bool StructureMaker::ended(StructureOutcome& outcome, const StructureStatement& statement) {
    if (!lost_ && watch_.stopRequested && watch_.stopRequested()) {
        lost_ = true;
        endedBecause_ = "stopped";
    }
    if (!lost_) return false;
    outcome.notMade.push_back(statement.what);
    outcome.notMadeBecause = endedBecause_;
    return true;
}

void StructureMaker::endPhase(StructureOutcome& outcome, const StructureStatement& statement, const std::string& why,
                              const char* because) {
    lost_ = true;
    endedBecause_ = because;
    outcome.notMade.push_back(statement.what);
    outcome.notMadeBecause = endedBecause_;
    refused_(outcome.table, statement.what, why);
}

// The first few rows of the offenders' query, each as its values; empty when there is no query
// or it fails too.
std::string StructureMaker::offenders(const StructureStatement& statement) {
    if (statement.offenders.empty()) return {};
    std::string listed;
    try {
        auto rows = target_->openRecordset(statement.offenders);
        for (int n = 0; !rows->eof(); rows->moveNext(), ++n) {
            if (n == kOffendersShown) {
                listed += ", ...";
                break;
            }
            std::string row;
            for (int i = 0; i < rows->fieldCount(); ++i) row += (i ? ", " : "") + Shown(rows->value(i));
            listed += (listed.empty() ? "" : "; ") + row;
        }
        rows->close();
    } catch (const std::exception&) {
        return {};
    }
    return listed;
}

}  // namespace tess
