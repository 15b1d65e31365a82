#pragma once
// What a direction makes of one source table, computed once from the source's columns and what
// was read of it before: the CREATE, the statements around the rows, the commit policy, the
// INSERT forms and each column's conversion. A value: the copier follows it, and a test reads it.
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "catalogue/table_structure.h"
#include "platform/value.h"
#include "transfer/firebird_block.h"
#include "transfer/firebird_mapping.h"
#include "transfer/statement.h"
#include "transfer/structure_statements.h"

namespace tess {

// What is read of a source table before its rows are opened (a connection may hold one result at
// a time): the columns that name its rows, the whole digits of its widest numbers, and its
// structure (with keys).
struct SourceFacts {
    std::vector<std::string> key;
    std::map<std::string, int> wholeDigits;
    std::optional<TableStructure> structure;
};

// A row into Firebird: each column's conversion is its definition's (bare numbers, dates without
// a time of day, moments), and a block names the table and columns as the dialect spells them.
struct FirebirdRows {
    std::string table;
    FirebirdTableDefinition definition;
    FirebirdBlockShape block;
};

// A row into SQL Server: time-only columns, and a column list where the table has an identity.
struct SqlServerRows {
    std::string table;
    std::vector<bool> timeOnly;
    std::string columnList;
};

struct TablePlan {
    std::string create;
    std::vector<std::string> beforeRows, afterRows;  // the session's settings around the rows
    long long rowsPerCommit = 0;  // 0: each row commits itself
    std::string bulkInsert;       // the one-row INSERT with markers
    size_t bulkBatch = 0;         // bulk rows an array in a transaction of its own; 0: none
    size_t blockRows = 0;         // bulk rows a statement of many rows; 0: none
    std::optional<StructurePlan> structure;  // the keys, made after the rows
    std::variant<FirebirdRows, SqlServerRows> rows;
};

// The literal INSERT of a row, as the windows send it.
Statement LiteralInsert(const TablePlan& plan, const std::vector<Value>& row);
// The row's values for the bulk INSERT's markers (and a block's).
std::vector<Value> BoundValues(const TablePlan& plan, const std::vector<Value>& row);
// The statement of `rows` rows, and a row's values for its markers; only for a plan with blocks.
std::string BlockInsert(const TablePlan& plan, size_t rows);
void AppendBlockValues(const TablePlan& plan, const std::vector<Value>& row, std::vector<Value>& values);

}  // namespace tess
