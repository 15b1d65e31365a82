#pragma once
// One source row to a Firebird INSERT statement.
#include <string>
#include <vector>

#include "transfer/statement.h"

namespace tess {

// Firebird 3 takes statements of at most 64 KB and string literals of at most 32 KB: longer
// values are passed as parameters, so that no text or binary value is too large to copy.
inline constexpr size_t kFirebirdMaxStatementBytes = 65000;
inline constexpr size_t kFirebirdMaxLiteralBytes = 16000;

// `dateOnly` marks the DATE columns, which take every date value as a date alone.
Statement RenderFirebirdInsert(const std::string& tableName, const std::vector<bool>& numeric,
                               const std::vector<Value>& row, const std::vector<bool>& dateOnly = {});

// The companion's bulk mode: one INSERT with a marker a column, prepared once, and each row's
// values for it: numbers, and date-times bound for a DATE, TIME or TIMESTAMP column (`moment`), as
// themselves, which the adapter writes in the column's own type, converted as Firebird converts the
// literals of RenderFirebirdInsert; the rest as the text of those literals. Every value arrives
// the same by either path.
std::string FirebirdBulkInsert(const std::string& tableName, size_t columns);
std::vector<Value> FirebirdBulkValues(const std::vector<bool>& numeric, const std::vector<Value>& row,
                                      const std::vector<bool>& dateOnly, const std::vector<bool>& moment);
std::vector<Value> FirebirdBulkValues(const std::vector<bool>& numeric, const std::vector<Value>& row,
                                      const std::vector<bool>& dateOnly);

}  // namespace tess
