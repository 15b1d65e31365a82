#pragma once
// Firebird result columns to a SQL Server CREATE TABLE statement.
#include <optional>
#include <string>
#include <vector>

#include "platform/value.h"
#include "transfer/source_column.h"

namespace tess {

inline constexpr int kSqlServerMaxPrecision = 38;

// The column text that follows the bracketed name, without the comma ("NVARCHAR(MAX)",
// "DECIMAL(19,4)"...).
std::string SqlServerColumnType(const SourceColumn& column);
std::string MapColumnsToSqlServer(const std::string& tableName, const std::vector<SourceColumn>& columns);

// A value as the copy to SQL Server leaves it, for telling a copy from its source: every conversion
// that this mapping and the SQL Server row writer make by design, written down here once. Nothing
// stands for NULL. Applied alike to a source value and to its copy, with the source's column.
std::optional<std::string> ValueAfterCopyToSqlServer(const Value& value, const SourceColumn& column);

}  // namespace tess
