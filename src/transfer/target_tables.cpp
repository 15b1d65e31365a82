#include "transfer/target_tables.h"

#include <algorithm>

#include "common/text_case.h"

namespace tess {

bool TargetTables::listed(const std::string& name) const {
    return std::find(names_.begin(), names_.end(), name) != names_.end();
}

bool TargetTables::holds(const std::string& name) const {
    return std::any_of(names_.begin(), names_.end(),
                       [wanted = LowerCase(name)](const std::string& entry) { return LowerCase(entry) == wanted; });
}

std::vector<std::string> TargetTables::alike(const std::string& name) const {
    if (listed(name)) return {name};
    std::vector<std::string> alike;
    for (const auto& entry : names_)
        if (LowerCase(entry) == LowerCase(name)) alike.push_back(entry);
    if (alike.empty()) alike.push_back(name);
    return alike;
}

void TargetTables::dropped(const std::string& name) {
    names_.erase(std::remove(names_.begin(), names_.end(), name), names_.end());
}

void TargetTables::made(const std::string& name) {
    made_.insert(name);
    if (!listed(name)) names_.push_back(name);
}

}  // namespace tess
