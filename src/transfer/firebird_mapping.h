#pragma once
// SQL Server result columns to a Firebird CREATE TABLE statement, and which columns are numeric.
#include <string>
#include <vector>

#include "transfer/source_column.h"

namespace tess {

struct FirebirdTableDefinition {
    std::string createStatement;
    std::vector<bool> numeric;  // per column: values are written bare
};

// Firebird 3's limits that the column types must respect.
inline constexpr int kFirebirdMaxPrecision = 18;
inline constexpr long long kFirebirdMaxVarcharBytes = 32765;
inline constexpr long long kFirebirdMaxRowBytes = 65535;
// The connection's character set is NONE, so VARCHAR(n) counts bytes; UTF-8 takes up to 4 a character.
inline constexpr long long kBytesPerCharacter = 4;

FirebirdTableDefinition MapColumnsToFirebird(const std::string& tableName, const std::vector<SourceColumn>& columns);

}  // namespace tess
