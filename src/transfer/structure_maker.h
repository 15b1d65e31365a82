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

struct StructureOutcome {
    std::string table;
    std::vector<std::string> made;        // what the statements made
    std::vector<std::string> refused;     // what the target refused, with its words
    std::vector<std::string> notCarried;  // what no statement makes
    std::vector<std::string> notMade{};   // not tried: the connection was lost before its turn
};

class StructureMaker {
public:
    // Told of each refusal once: the table, what was not made, and why (the driver's words, then
    // the values in the way where they can be named).
    using Refusal = std::function<void(const std::string& table, const std::string& what, const std::string& why)>;
    StructureMaker(Connection& target, Refusal refused) : target_(target), refused_(std::move(refused)) {}

    void make(const std::string& table, StructurePlan plan);
    void makeForeignKeys();
    const std::vector<StructureOutcome>& outcomes() const { return outcomes_; }

private:
    void run(StructureOutcome& outcome, const StructureStatement& statement);
    std::string offenders(const StructureStatement& statement);

    Connection& target_;
    Refusal refused_;
    std::vector<StructureOutcome> outcomes_;
    std::vector<std::pair<size_t, StructureStatement>> foreignKeys_;  // by outcome
    bool lost_ = false;  // the target's connection went: nothing more is tried, or reported
};

}  // namespace tess
