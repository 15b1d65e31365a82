#include "transfer/sqlserver_mapping.h"

#include <algorithm>

#include "catalogue/ado_type_name.h"
#include "transfer/identifiers.h"
#include "transfer/structure_statements.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

bool Has(const std::string& typeName, const char* word) { return typeName.find(word) != std::string::npos; }

// TEXT holds only the server's code page, and is refused outright on databases with UTF-8 or
// supplementary-character collations (error 4188); NVARCHAR(MAX) holds any text on every one.
constexpr const char* kAnyText = "NVARCHAR(MAX)";
constexpr long long kSqlServerMaxKeyCharacters = 450;

// Firebird keeps NUMERIC and DECIMAL values up to the range of their storage, not of their
// declared precision: NUMERIC(4,2) holds 327.67. The precision is the storage's.
int StorageDigits(long long storageBytes) {
    switch (storageBytes) {
        case 2: return 5;
        case 4: return 10;
        case 8: return 19;
        default: return 0;
    }
}

std::string DecimalType(const SourceColumn& c) {
    const int declared = std::max(c.precision, StorageDigits(c.definedSize));
    const int precision = declared > 0 ? std::min(declared, kSqlServerMaxPrecision) : 18;
    const int scale = std::clamp(c.numericScale, 0, precision);
    return "DECIMAL(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
}

}  // namespace

std::string SqlServerColumnType(const SourceColumn& c) {
    const std::string t = LowerAdoTypeName(c.type);
    if (Has(t, "char")) return kAnyText;
    if (Has(t, "decimal")) return DecimalType(c);
    if (Has(t, "single")) return "REAL";
    if (Has(t, "bigint") || Has(t, "unsignedint")) return "BIGINT";
    if (Has(t, "int")) return "INT";
    if (Has(t, "binary")) return "VARBINARY(MAX)";
    if (Has(t, "numeric")) return DecimalType(c);
    if (Has(t, "date")) return kAnyText;
    if (Has(t, "timestamp")) return kAnyText;
    if (Has(t, "double")) return "FLOAT";
    return kAnyText;
}

std::optional<std::string> ValueAfterCopyToSqlServer(const Value& value, const SourceColumn& column) {
    // Every value is written as its value text: booleans become the texts True and False, dates
    // and times the value-text form (to 1/10000 s, what Firebird keeps), numbers plain decimals.
    // A single goes into REAL and stays the single it was.
    if (const auto* f = std::get_if<Floating>(&value); f && Has(LowerAdoTypeName(column.type), "single"))
        return ValueText(Floating{static_cast<float>(f->value), true});
    // 30 December 1899 is a date like any other; only a column of times of day drops it.
    if (const auto* t = std::get_if<DateTime>(&value); t && LowerAdoTypeName(column.type) != "addbtime")
        return DateTimeText(*t, !t->isMidnight());
    // Empty texts and empty binaries are written as NULL.
    const std::string text = ValueText(value);
    if (text.empty()) return std::nullopt;
    return text;
}

// SQL Server indexes keys of at most 900 bytes in a clustered index (1,700 in others): 450
// characters of NVARCHAR. Dates travel as text here; their text is shorter than 32 characters.
std::string SqlServerColumnType(const SourceColumn& c, const SqlServerKeyFacts& keys) {
    const std::string type = SqlServerColumnType(c);
    if (type == kAnyText && keys.indexed.count(c.name)) {
        const bool text = Has(LowerAdoTypeName(c.type), "char");
        if (!text) return "NVARCHAR(32)";
        if (c.definedSize > 0 && c.definedSize <= kSqlServerMaxKeyCharacters)
            return "NVARCHAR(" + std::to_string(c.definedSize) + ")";
    }
    return type;
}

std::string MapColumnsToSqlServer(const std::string& tableName, const std::vector<SourceColumn>& columns,
                                  const SqlServerKeyFacts& keys) {
    std::string s = "CREATE TABLE " + SqlServerName(tableName) + "(";
    for (const auto& c : columns) {
        s += SqlServerName(c.name);
        s += ' ';
        const std::string type = SqlServerColumnType(c, keys);
        s += type;
        if (c.name == keys.identity && CanBeIdentity(type)) s += " IDENTITY(1,1)";
        s += ',';
    }
    s.back() = ')';
    s += ';';
    return s;
}

}  // namespace tess
