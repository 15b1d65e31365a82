#pragma once
// The target's tables as a run knows them: those listed when it began, less those it dropped, and
// those it made. They decide the overwrite question and name what is dropped.
#include <set>
#include <string>
#include <vector>

namespace tess {

class TargetTables {
public:
    explicit TargetTables(std::vector<std::string> listed = {}) : names_(std::move(listed)) {}

    bool listed(const std::string& name) const;
    // Listed in any spelling of its letters' case.
    bool holds(const std::string& name) const;
    // The entries that name the table: its own spelling alone when listed so, else every entry equal
    // to it without regard to case; the table's own name when none is.
    std::vector<std::string> alike(const std::string& name) const;
    void dropped(const std::string& name);
    void made(const std::string& name);
    bool madeInRun(const std::string& name) const { return made_.count(name) > 0; }
    const std::vector<std::string>& names() const { return names_; }

private:
    std::vector<std::string> names_;
    std::set<std::string> made_;
};

}  // namespace tess
