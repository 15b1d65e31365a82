#include "transfer/firebird_mapping.h"

#include <algorithm>

#include "common/text_case.h"
#include "catalogue/ado_type_name.h"
#include "transfer/identifiers.h"

namespace tess {
namespace {

constexpr long long kGuidTextLength = 38;  // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}

struct ColumnType {
    std::string text;  // after the quoted name
    bool numeric = false;
    long long varcharBytes = 0;  // for the row-size check; 0 when not a VARCHAR
};

bool Has(const std::string& typeName, const char* word) { return typeName.find(word) != std::string::npos; }

ColumnType Text(long long characters) {
    const long long bytes = characters * kBytesPerCharacter;
    if (characters <= 0 || bytes > kFirebirdMaxVarcharBytes) return {"BLOB SUB_TYPE TEXT"};
    return {"VARCHAR(" + std::to_string(bytes) + ")", false, bytes};
}

ColumnType Exact(const char* word, const SourceColumn& c) {
    const int precision = c.precision > 0 ? std::min(c.precision, kFirebirdMaxPrecision) : kFirebirdMaxPrecision;
    const int scale = std::clamp(c.numericScale, 0, precision);
    return {std::string(word) + "(" + std::to_string(precision) + "," + std::to_string(scale) + ")", true};
}

ColumnType FirebirdColumnType(const SourceColumn& c) {
    const std::string t = LowerCase(AdoTypeName(static_cast<std::int16_t>(c.type)).value_or(""));
    if (Has(t, "varwchar")) return {"BLOB SUB_TYPE TEXT"};
    if (Has(t, "binary")) return {"BLOB SUB_TYPE BINARY"};
    if (Has(t, "longvar")) return Text(c.definedSize);
    if (Has(t, "double")) return {"DOUBLE PRECISION", true};
    if (Has(t, "single")) return {"FLOAT", true};
    if (Has(t, "smallint") || Has(t, "tinyint")) return {"SMALLINT", true};
    if (Has(t, "bigint") || Has(t, "unsignedint")) return {"BIGINT", true};
    if (Has(t, "int")) return {"INTEGER", true};
    if (Has(t, "currency") || Has(t, "numeric")) return Exact("NUMERIC", c);
    if (Has(t, "decimal")) return Exact("DECIMAL", c);
    if (Has(t, "date")) return {"DATE"};
    if (Has(t, "timestamp")) return {"TIMESTAMP"};
    if (Has(t, "bool")) return {"SMALLINT", true};
    if (Has(t, "guid")) return Text(kGuidTextLength);
    return Text(c.definedSize);
}

// A row holds at most 64 KB: the widest VARCHARs become text BLOBs until the row fits.
void FitRow(std::vector<ColumnType>& types) {
    constexpr long long kOtherColumnBytes = 8;  // generous for numbers, dates and blob ids
    auto rowBytes = [&] {
        long long total = 0;
        for (const auto& t : types) total += t.varcharBytes ? t.varcharBytes + 2 : kOtherColumnBytes;
        return total;
    };
    while (rowBytes() > kFirebirdMaxRowBytes) {
        auto widest = std::max_element(types.begin(), types.end(),
                                       [](const auto& a, const auto& b) { return a.varcharBytes < b.varcharBytes; });
        if (widest->varcharBytes == 0) break;
        *widest = {"BLOB SUB_TYPE TEXT"};
    }
}

}  // namespace

FirebirdTableDefinition MapColumnsToFirebird(const std::string& tableName, const std::vector<SourceColumn>& columns) {
    std::vector<ColumnType> types;
    types.reserve(columns.size());
    for (const auto& c : columns) types.push_back(FirebirdColumnType(c));
    FitRow(types);

    FirebirdTableDefinition definition;
    std::string& s = definition.createStatement;
    s = "CREATE TABLE " + FirebirdName(tableName) + "(";
    for (size_t i = 0; i < columns.size(); ++i) {
        s += FirebirdName(columns[i].name);
        s += ' ';
        s += types[i].text;
        s += ',';
        definition.numeric.push_back(types[i].numeric);
    }
    s.back() = ')';
    return definition;
}

}  // namespace tess
