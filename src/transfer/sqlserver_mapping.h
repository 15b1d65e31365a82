#pragma once
// Firebird result columns to a SQL Server CREATE TABLE statement.
#include <string>
#include <vector>

#include "transfer/source_column.h"

namespace tess {

inline constexpr int kSqlServerMaxPrecision = 38;

// The column text that follows the bracketed name, without the comma ("NVARCHAR(MAX)",
// "DECIMAL(19,4)"...).
std::string SqlServerColumnType(const SourceColumn& column);
std::string MapColumnsToSqlServer(const std::string& tableName, const std::vector<SourceColumn>& columns);

}  // namespace tess
