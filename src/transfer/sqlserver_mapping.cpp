#include "transfer/sqlserver_mapping.h"

#include <algorithm>

#include "common/text_case.h"
#include "catalogue/ado_type_name.h"
#include "transfer/identifiers.h"

namespace tess {
namespace {

bool Has(const std::string& typeName, const char* word) { return typeName.find(word) != std::string::npos; }

std::string DecimalType(const SourceColumn& c) {
    const int precision = c.precision > 0 ? std::min(c.precision, kSqlServerMaxPrecision) : 18;
    const int scale = std::clamp(c.numericScale, 0, precision);
    return "DECIMAL(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
}

}  // namespace

std::string SqlServerColumnType(const SourceColumn& c) {
    const std::string t = LowerCase(AdoTypeName(static_cast<std::int16_t>(c.type)).value_or(""));
    if (Has(t, "char")) return Has(t, "wchar") ? "NTEXT" : "TEXT";
    if (Has(t, "decimal")) return DecimalType(c);
    if (Has(t, "single")) return "REAL";
    if (Has(t, "bigint") || Has(t, "unsignedint")) return "BIGINT";
    if (Has(t, "int")) return "INT";
    if (Has(t, "binary")) return "VARBINARY(MAX)";
    if (Has(t, "numeric")) return DecimalType(c);
    if (Has(t, "date")) return "TEXT";
    if (Has(t, "timestamp")) return "TEXT";
    if (Has(t, "double")) return "FLOAT";
    return "TEXT";
}

std::string MapColumnsToSqlServer(const std::string& tableName, const std::vector<SourceColumn>& columns) {
    std::string s = "CREATE TABLE " + SqlServerName(tableName) + "(";
    for (const auto& c : columns) {
        s += SqlServerName(c.name);
        s += ' ';
        s += SqlServerColumnType(c);
        s += ',';
    }
    s.back() = ')';
    s += ';';
    return s;
}

}  // namespace tess
