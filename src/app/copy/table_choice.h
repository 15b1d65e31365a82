#pragma once
// Which source tables one run of the companion takes: those named, and those that --all, --include
// and --exclude choose from the source's list.
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tess {

class SqlServerTableNames;

struct TableChoice {
    bool all = false;
    std::vector<std::string> include, exclude;  // shell-style patterns: *, ?, [...]
    bool byPattern() const { return all || !include.empty(); }
};

// A listed table's own name, and its name with its schema ("schema.table" on the SQL Server side;
// the same as its own name on the Firebird side).
struct PatternNames {
    std::string bare, qualified;
};
using PatternNamesOf = std::function<PatternNames(const std::string& entry)>;

// A pattern without a dot matches the table's own name; with a dot, its schema-qualified name, so
// that "d*" means tables whose names start with d, not every table of the dbo schema. Case counts,
// as it does in the lists.
bool MatchesTablePattern(const std::string& pattern, const PatternNames& names);

// The named tables first, in the order named; then, in the list's order, those the patterns
// choose: every listed table with --all, else those an --include matches, less those an --exclude
// matches. A table named outright is always taken. Each table once.
std::vector<std::string> ChooseTables(const std::vector<std::string>& listed, const std::vector<std::string>& named,
                                      const TableChoice& choice, const PatternNamesOf& namesOf);

// The tables in an order where each comes after the tables its foreign keys refer to (given as
// pairs of `qualified` names: the table, the table it refers to), else in the order given; tables
// that refer to each other keep the order given among themselves.
std::vector<std::string> InForeignKeyOrder(const std::vector<std::string>& tables,
                                           const std::vector<std::pair<std::string, std::string>>& references,
                                           const std::function<std::string(const std::string&)>& qualified);

// The named tables that the source lists, each once and in the order named, the others said; then
// those the patterns choose. `allFound` is false when a named table is not listed or the patterns
// choose nothing: a mistake a scheduler must hear of, not a copy of nothing.
struct TablesChosen {
    std::vector<std::string> tables;
    bool allFound = true;
    std::vector<std::string> missing;  // named, and not in the source list
};
TablesChosen TablesToCopy(const std::vector<std::string>& listed, const std::vector<std::string>& names,
                          const TableChoice& choice, const SqlServerTableNames* sqlServerNames,
                          const std::function<void(const std::string&)>& say);

}  // namespace tess
