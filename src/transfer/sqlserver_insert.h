#pragma once
// One source row to a SQL Server INSERT statement: every value a quoted literal, or NULL.
#include <string>
#include <vector>

#include "platform/value.h"

namespace tess {

// Text with a character beyond ASCII is written N'...', so that SQL Server keeps it as Unicode;
// binary values are written 0x....
std::string RenderSqlServerInsert(const std::string& tableName, const std::vector<Value>& row);

}  // namespace tess
