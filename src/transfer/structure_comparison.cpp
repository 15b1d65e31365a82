#include "transfer/structure_comparison.h"

#include <algorithm>
#include <set>

namespace tess {
namespace {

std::string Columns(const std::vector<std::string>& columns) {
    std::string list;
    for (const auto& c : columns) list += (list.empty() ? "" : ", ") + c;
    return "(" + list + ")";
}

// What the target has, each as the words the source's requirement is written in.
std::set<std::string> Held(const TableStructure& t) {
    std::set<std::string> held;
    auto unique = [&held](const std::vector<std::string>& columns) {
        held.insert("unique " + Columns(columns));
        held.insert("index " + Columns(columns));
    };
    if (t.primaryKey) {
        held.insert("primary key " + Columns(t.primaryKey->columns));
        unique(t.primaryKey->columns);
    }
    for (const auto& key : t.uniques) unique(key.columns);
    for (const auto& index : t.indexes) {
        if (index.unique) unique(index.columns);
        held.insert("index " + Columns(index.columns));
    }
    for (const auto& key : t.foreignKeys)
        held.insert("foreign key " + Columns(key.columns) + " to " + key.referencedTable + " " +
                    Columns(key.referencedColumns));
    if (!t.identity.empty()) held.insert("identity " + t.identity);
    for (const auto& column : t.notNull) held.insert("NOT NULL on " + column);
    return held;
}

std::vector<std::string> Wanted(const TableStructure& s) {
    std::vector<std::string> wanted;
    if (s.primaryKey) wanted.push_back("primary key " + Columns(s.primaryKey->columns));
    for (const auto& key : s.uniques) wanted.push_back("unique " + Columns(key.columns));
    for (const auto& index : s.indexes) wanted.push_back((index.unique ? "unique " : "index ") + Columns(index.columns));
    for (const auto& key : s.foreignKeys)
        wanted.push_back("foreign key " + Columns(key.columns) + " to " + key.referencedTable + " " +
                         Columns(key.referencedColumns));
    if (!s.identity.empty()) wanted.push_back("identity " + s.identity);
    for (const auto& column : s.notNull) wanted.push_back("NOT NULL on " + column);
    return wanted;
}

}  // namespace

std::vector<std::string> MissingStructure(const TableStructure& source, const TableStructure& target) {
    const std::set<std::string> held = Held(target);
    std::vector<std::string> missing;
    for (const auto& want : Wanted(source))
        if (!held.count(want) && std::find(missing.begin(), missing.end(), want) == missing.end())
            missing.push_back(want);
    return missing;
}

}  // namespace tess
