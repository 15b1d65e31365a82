#include "app/copy/table_choice.h"

#include <fnmatch.h>

#include <algorithm>

namespace tess {
namespace {

bool AnyMatches(const std::vector<std::string>& patterns, const std::string& entry, const std::string& qualified) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& p) { return MatchesTablePattern(p, entry, qualified); });
}

}  // namespace

bool MatchesTablePattern(const std::string& pattern, const std::string& entry, const std::string& qualified) {
    return fnmatch(pattern.c_str(), entry.c_str(), 0) == 0 || fnmatch(pattern.c_str(), qualified.c_str(), 0) == 0;
}

std::vector<std::string> ChooseTables(const std::vector<std::string>& listed, const std::vector<std::string>& named,
                                      const TableChoice& choice,
                                      const std::function<std::string(const std::string&)>& qualified) {
    std::vector<std::string> tables;
    auto take = [&](const std::string& entry) {
        if (std::find(tables.begin(), tables.end(), entry) == tables.end()) tables.push_back(entry);
    };
    for (const auto& name : named) take(name);
    if (!choice.byPattern()) return tables;
    for (const auto& entry : listed) {
        const std::string full = qualified(entry);
        if (!choice.all && !AnyMatches(choice.include, entry, full)) continue;
        if (AnyMatches(choice.exclude, entry, full)) continue;
        take(entry);
    }
    return tables;
}

}  // namespace tess
