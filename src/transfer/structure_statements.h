#pragma once
// A source table's structure as the statements that make it in the target, once the rows are in:
// a key the target refuses then costs no row, and the order of the rows never matters.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "catalogue/table_structure.h"
#include "transfer/source_column.h"

namespace tess {

// A column as the target has it: the type its CREATE gave it, and whether the source's was a date
// (Firebird's 'NOW' is a moment in a date column and a word in a text column).
struct StructureColumn {
    std::string name;
    std::string targetType;
    bool sourceIsDate = false;
};

struct StructureStatement {
    std::string what;  // as the summary names it: "primary key PK_EMPLOYEE (EMP_NO)"
    std::string sql;
    // When the target refuses it: a query of the rows in its way, and what they are.
    std::string offenders{};
    std::string offendersAre{};
};

struct StructurePlan {
    // In the order they run: NOT NULL, defaults, the primary key, unique constraints, indexes and
    // moving the identity past the copied values.
    std::vector<StructureStatement> statements;
    std::vector<StructureStatement> foreignKeys;  // once every table's rows are in
    std::vector<std::string> notCarried;          // the source's, and what this target cannot take
};

// The names of constraints and indexes that one target is given in a run: within its length,
// and each once (Firebird's are the database's, SQL Server's the schema's). An empty name stays
// empty: the target names that one itself.
class ConstraintNames {
public:
    explicit ConstraintNames(size_t maxBytes) : maxBytes_(maxBytes) {}
    std::string take(const std::string& wanted);

private:
    size_t maxBytes_;
    std::set<std::string> taken_;
};

struct FirebirdStructureTarget {
    int dialect = 3;
    int engineMajorVersion = 3;
};

StructurePlan FirebirdStructurePlan(const std::string& table, const TableStructure& structure,
                                    const std::vector<StructureColumn>& columns, FirebirdStructureTarget target,
                                    ConstraintNames& names);
StructurePlan SqlServerStructurePlan(const std::string& table, const TableStructure& structure,
                                     const std::vector<StructureColumn>& columns, ConstraintNames& names);

// Whether an identity can be made of a column of this target type: a whole number.
bool CanBeIdentity(const std::string& targetType);

// The source's structure; when its catalogue cannot be read, a structure that says so.
TableStructure ReadStructure(const std::function<TableStructure()>& read);
// The target's columns: the source's, with the types the CREATE gave them.
std::vector<StructureColumn> StructureColumns(const std::vector<SourceColumn>& columns,
                                              const std::vector<std::string>& targetTypes);

}  // namespace tess
