#pragma once
// One source row to a SQL Server INSERT statement: every value a quoted literal, or NULL.
#include <string>
#include <vector>

#include "transfer/source_column.h"
#include "transfer/statement.h"

namespace tess {

// A statement travels to SQL Server as UTF-16, and a batch may span at most 65,536 network packets:
// 256 MiB at the default packet size of 4 KiB, 32 MiB at the smallest a server may set (512 bytes).
// Half of that smallest bound leaves room for the packets' own headers; values that would push a
// statement past it travel as parameters.
inline constexpr size_t kSqlServerMaxStatementUtf16Bytes = 16u << 20;

// Text with a character beyond ASCII is written N'...', so that SQL Server keeps it as Unicode;
// binary values are written 0x.... A text holding a backslash directly before a line break, which
// a T-SQL literal would read as a line continuation and drop, travels as a parameter, as do values
// too long for the statement.
// A date-time is written with its date, the date alone at midnight; only the values of a column of
// times of day (`timeOnly`, by column) are written as the time alone.
// `columnList` ("([A], [B])"), when given, names the columns: an identity column takes a value
// only so.
Statement RenderSqlServerInsert(const std::string& tableName, const std::vector<Value>& row,
                                const std::vector<bool>& timeOnly = {}, const std::string& columnList = {});
// "([A], [B])" of the columns.
std::string SqlServerColumnList(const std::vector<SourceColumn>& columns);

// The columns that hold a time of day alone.
std::vector<bool> TimeOnlyColumns(const std::vector<SourceColumn>& columns);

// The companion's bulk mode: one INSERT with a marker a column, prepared once, and each row's
// values: integers, floating point and decimals as themselves, the rest as the texts of the literals of
// RenderSqlServerInsert, so that every value arrives the same.
std::string SqlServerBulkInsert(const std::string& tableName, size_t columns, const std::string& columnList = {});
std::vector<Value> SqlServerBulkValues(const std::vector<Value>& row, const std::vector<bool>& timeOnly = {});

}  // namespace tess
