#pragma once
// Firebird result columns to a SQL Server CREATE TABLE statement.
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/value.h"
#include "transfer/source_column.h"

namespace tess {

inline constexpr int kSqlServerMaxPrecision = 38;

// The column text that follows the bracketed name, without the comma ("NVARCHAR(MAX)",
// "DECIMAL(19,4)"...).
std::string SqlServerColumnType(const SourceColumn& column);

// What a copy with its keys asks of the CREATE: an identity column, and a type that an index
// takes for the columns that a key or index holds (NVARCHAR(MAX) cannot be in one).
struct SqlServerKeyFacts {
    std::string identity;
    std::set<std::string> indexed;
};
// The type a column is given, with the key facts laid over SqlServerColumnType's.
std::string SqlServerColumnType(const SourceColumn& column, const SqlServerKeyFacts& keys);
std::string MapColumnsToSqlServer(const std::string& tableName, const std::vector<SourceColumn>& columns,
                                  const SqlServerKeyFacts& keys = {});

// A value as the copy to SQL Server leaves it, for telling a copy from its source: every conversion
// that this mapping and the SQL Server row writer make by design, written down here once. Nothing
// stands for NULL. Applied alike to a source value and to its copy, with the source's column.
std::optional<std::string> ValueAfterCopyToSqlServer(const Value& value, const SourceColumn& column);

}  // namespace tess
