#include "app/copy/table_choice.h"

#include <fnmatch.h>

#include <algorithm>

#include "catalogue/sqlserver_table_names.h"
#include "common/printable_text.h"

namespace tess {
namespace {

bool AnyMatches(const std::vector<std::string>& patterns, const PatternNames& names) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& p) { return MatchesTablePattern(p, names); });
}

}  // namespace

bool MatchesTablePattern(const std::string& pattern, const PatternNames& names) {
    const std::string& name = pattern.find('.') == std::string::npos ? names.bare : names.qualified;
    return fnmatch(pattern.c_str(), name.c_str(), 0) == 0;
}

std::vector<std::string> ChooseTables(const std::vector<std::string>& listed, const std::vector<std::string>& named,
                                      const TableChoice& choice, const PatternNamesOf& namesOf) {
    std::vector<std::string> tables;
    auto take = [&](const std::string& entry) {
        if (std::find(tables.begin(), tables.end(), entry) == tables.end()) tables.push_back(entry);
    };
    for (const auto& name : named) take(name);
    if (!choice.byPattern()) return tables;
    for (const auto& entry : listed) {
        const PatternNames names = namesOf(entry);
        if (!choice.all && !AnyMatches(choice.include, names)) continue;
        if (AnyMatches(choice.exclude, names)) continue;
        take(entry);
    }
    return tables;
}

std::vector<std::string> InForeignKeyOrder(const std::vector<std::string>& tables,
                                           const std::vector<std::pair<std::string, std::string>>& references,
                                           const std::function<std::string(const std::string&)>& qualified) {
    std::vector<std::string> names, ordered;
    for (const auto& t : tables) names.push_back(qualified(t));
    std::vector<bool> placed(tables.size(), false);
    // A table waits while a table it refers to, other than itself, is among those still to place.
    auto waits = [&](size_t i) {
        return std::any_of(references.begin(), references.end(), [&](const auto& r) {
            if (r.first != names[i] || r.second == names[i]) return false;
            for (size_t j = 0; j < tables.size(); ++j)
                if (!placed[j] && names[j] == r.second) return true;
            return false;
        });
    };
    while (ordered.size() < tables.size()) {
        size_t next = tables.size(), firstLeft = tables.size();
        for (size_t i = 0; i < tables.size() && next == tables.size(); ++i) {
            if (placed[i]) continue;
            if (firstLeft == tables.size()) firstLeft = i;
            if (!waits(i)) next = i;
        }
        if (next == tables.size()) next = firstLeft;  // a cycle: the order given decides
        placed[next] = true;
        ordered.push_back(tables[next]);
    }
    return ordered;
}

TablesChosen TablesToCopy(const std::vector<std::string>& listed, const std::vector<std::string>& names,
                          const TableChoice& choice, const SqlServerTableNames* sqlServerNames,
                          const std::function<void(const std::string&)>& say) {
    TablesChosen chosen;
    std::vector<std::string> found;
    for (const auto& name : names) {
        if (std::find(listed.begin(), listed.end(), name) == listed.end()) {
            say("no table named \"" + PrintableText(name) + "\" in the source list");
            chosen.allFound = false;
            chosen.missing.push_back(name);
        } else if (std::find(found.begin(), found.end(), name) != found.end()) {
            say(PrintableText(name) + " is named more than once; it is copied once");
        } else {
            found.push_back(name);
        }
    }
    auto namesOf = [sqlServerNames](const std::string& entry) {
        if (!sqlServerNames) return PatternNames{entry, entry};
        return PatternNames{sqlServerNames->tableOf(entry).name, sqlServerNames->qualified(entry)};
    };
    chosen.tables = ChooseTables(listed, found, choice, namesOf);
    if (choice.byPattern() && ChooseTables(listed, {}, choice, namesOf).empty()) {
        say("no table in the source list matches");
        chosen.allFound = false;
    }
    return chosen;
}

}  // namespace tess
