#pragma once
// Makes the copied tables' structure in the target once their rows are in: each table's keys,
// indexes and identity when asked, every foreign key last, so that the order of tables and rows
// never matters. What each became is kept for the summary.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "transfer/structure_statements.h"

namespace tess {

class Connection;
class DatabaseError;

struct StructureOutcome {
    std::string table;
    std::vector<std::string> made;        // what the statements made
    std::vector<std::string> refused;     // what the target refused, with its words
    std::vector<std::string> notCarried;  // what no statement makes
    std::vector<std::string> notMade{};   // not tried: the phase ended before its turn
    std::string notMadeBecause{};         // why: "the connection was lost", "stopped", ...
};

class StructureMaker {
public:
    // Told of each refusal once: the table, what was not made, and why (the driver's words, then
    // the values in the way where they can be named).
    using Refusal = std::function<void(const std::string& table, const std::string& what, const std::string& why)>;
    // What ends the phase besides a lost connection: a stop asked for (checked before each
    // statement), and a stall (the watchdog cancelled the statement under way).
    struct Watch {
        std::function<bool()> stopRequested;
        std::function<bool()> stalled;
        std::function<void()> progress;  // a statement came back
        // After a lost connection: the target's connection made again, or none.
        std::function<Connection*()> reconnect;
    };
    StructureMaker(Connection& target, Refusal refused, Watch watch = {})
        : target_(&target), refused_(std::move(refused)), watch_(std::move(watch)) {}

    void make(const std::string& table, StructurePlan plan);
    void makeForeignKeys();
    const std::vector<StructureOutcome>& outcomes() const { return outcomes_; }

private:
    void run(StructureOutcome& outcome, const StructureStatement& statement);
    void execute(StructureOutcome& outcome, const StructureStatement& statement);
    void refusedOrEnded(StructureOutcome& outcome, const StructureStatement& statement, const DatabaseError& e);
    std::string offenders(const StructureStatement& statement);

    bool ended(StructureOutcome& outcome, const StructureStatement& statement);
    void endPhase(StructureOutcome& outcome, const StructureStatement& statement, const std::string& why,
                  const char* because);

    Connection* target_;
    Refusal refused_;
    Watch watch_;
    std::string endedBecause_;
    std::vector<StructureOutcome> outcomes_;
    std::vector<std::pair<size_t, StructureStatement>> foreignKeys_;  // by outcome
    bool lost_ = false;  // the phase ended (connection lost, stop, stall): nothing more is tried, or reported
};

}  // namespace tess
