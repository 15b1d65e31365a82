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

// " on delete CASCADE": a rule other than the one both sides take when none is given. Firebird's
// RESTRICT is SQL Server's NO ACTION: with no deferred checks both refuse the same changes.
std::string Rule(const char* when, const std::string& rule) {
    if (rule == "NO ACTION" || rule == "RESTRICT") return "";
    return std::string(" on ") + when + " " + rule;
}

std::string DefaultWords(const std::string& column, const DefaultValue& value) {
    std::string what;
    switch (value.kind) {
        case DefaultValue::kNumber: what = value.text; break;
        case DefaultValue::kText: what = "'" + value.text + "'"; break;
        case DefaultValue::kCurrentTimestamp: what = "CURRENT_TIMESTAMP"; break;
        case DefaultValue::kCurrentDate: what = "CURRENT_DATE"; break;
    }
    return "default of " + column + " " + what;
}

// What is the same words on both sides: foreign keys with their rules, the identity, NOT NULL,
// defaults.
std::vector<std::string> Plain(const TableStructure& t) {
    std::vector<std::string> words;
    for (const auto& key : t.foreignKeys)
        words.push_back("foreign key " + Columns(key.columns) + " to " + key.referencedTable + " " +
                        Columns(key.referencedColumns) + Rule("update", key.onUpdate) + Rule("delete", key.onDelete));
    if (!t.identity.empty()) words.push_back("identity " + t.identity);
    for (const auto& column : t.notNull) words.push_back("NOT NULL on " + column);
    for (const auto& [column, value] : t.defaults) words.push_back(DefaultWords(column, value));
    return words;
}

std::string IndexWords(const IndexDefinition& index) {
    return (index.unique ? "unique " : "index ") + Columns(index.columns) + (index.descending ? " descending" : "");
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
        if (index.unique && !index.descending) unique(index.columns);
        held.insert(IndexWords(index));
        if (index.unique) held.insert("index " + Columns(index.columns) + (index.descending ? " descending" : ""));
    }
    for (auto& words : Plain(t)) held.insert(std::move(words));
    return held;
}

std::vector<std::string> Wanted(const TableStructure& s) {
    std::vector<std::string> wanted;
    if (s.primaryKey) wanted.push_back("primary key " + Columns(s.primaryKey->columns));
    for (const auto& key : s.uniques) wanted.push_back("unique " + Columns(key.columns));
    for (const auto& index : s.indexes) wanted.push_back(IndexWords(index));
    for (auto& words : Plain(s)) wanted.push_back(std::move(words));
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
