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

Statement RenderFirebirdInsert(const std::string& tableName, const std::vector<bool>& numeric,
                               const std::vector<Value>& row);

}  // namespace tess
