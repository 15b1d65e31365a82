#include "transfer/firebird_mapping.h"

#include <algorithm>

#include "catalogue/ado_type_name.h"
#include "common/text_case.h"
#include "common/text_codec.h"
#include "transfer/identifiers.h"
#include "transfer/structure_statements.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

constexpr long long kGuidTextLength = 38;  // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
// A time of day is written on the zero date, to 1/10000 s: "12/30/1899 23:59:59.9999". The
// source's own size (16 for SQL Server's time(7)) would refuse every such row.
constexpr long long kTimeTextLength = 24;
constexpr long long kMaxVarcharCharacters = kFirebirdMaxVarcharBytes / kUtf8BytesPerCharacter;

struct ColumnType {
    std::string text;  // after the quoted name
    FirebirdColumnStorage storage;
    bool numeric = false;
    bool dateOnly = false;
    bool varchar = false;  // may become a text BLOB when the record is too wide
};

constexpr FirebirdColumnStorage kBlobId{8, 4};

bool Has(const std::string& typeName, const char* word) { return typeName.find(word) != std::string::npos; }

class ColumnTypes {
public:
    explicit ColumnTypes(const FirebirdTargetFacts& target)
        : clause_(target.characterSet == FirebirdDefaultCharacterSet::Limited ? " CHARACTER SET UTF8" : ""),
          target_(target) {}

    ColumnType of(const SourceColumn& c) const {
        const std::string t = LowerAdoTypeName(c.type);
        if (Has(t, "varwchar")) return textBlob();
        if (Has(t, "binary")) return {"BLOB SUB_TYPE BINARY", kBlobId};
        if (Has(t, "longvar")) return text(c.definedSize);
        if (Has(t, "double")) return {"DOUBLE PRECISION", {8, 8}, true};
        if (Has(t, "single")) return {"FLOAT", {4, 4}, true};
        if (Has(t, "smallint") || Has(t, "tinyint")) return {"SMALLINT", {2, 2}, true};
        if ((Has(t, "bigint") || Has(t, "unsignedint")) && target_.dialect == 1) return dialectOneDouble(c, 0);
        if (Has(t, "bigint") || Has(t, "unsignedint")) return {"BIGINT", {8, 8}, true};
        if (Has(t, "int")) return {"INTEGER", {4, 4}, true};
        if (Has(t, "currency") || Has(t, "numeric")) return exact("NUMERIC", c);
        if (Has(t, "decimal")) return exact("DECIMAL", c);
        if (Has(t, "date")) return {"DATE", {4, 4}, false, true};
        if (Has(t, "timestamp")) return {"TIMESTAMP", {8, 4}};
        if (Has(t, "bool")) return {"SMALLINT", {2, 2}, true};
        if (Has(t, "guid")) return text(kGuidTextLength);
        if (Has(t, "dbtime")) return text(std::max(c.definedSize, kTimeTextLength));
        return text(c.definedSize);
    }

    ColumnType textBlob() const { return {"BLOB SUB_TYPE TEXT" + clause_, kBlobId}; }

private:
    // n characters of any text; past the longest VARCHAR, a text BLOB.
    ColumnType text(long long characters) const {
        if (characters <= 0 || characters > kMaxVarcharCharacters) return textBlob();
        return {"VARCHAR(" + std::to_string(characters) + ")" + clause_,
                {characters * kUtf8BytesPerCharacter + 2, 2}, false, false, true};
    }

    // Firebird stores NUMERIC(p) of up to 4 digits in 16 bits, DECIMAL(p) in at least 32, and
    // either of up to 9 digits in 32 bits, up to 18 in 64, beyond that (Firebird 4) in 128.
    ColumnType exact(const char* word, const SourceColumn& c) const {
        const int most = target_.engineMajorVersion >= 4 ? kFirebird4MaxPrecision : kFirebirdMaxPrecision;
        if (target_.dialect == 1 && c.precision > 9) return dialectOneDouble(c, std::max(c.numericScale, 0));
        if (c.precision > most) return tooWide(word, c, most);
        const int precision = c.precision > 0 ? c.precision : kFirebirdMaxPrecision;
        const int scale = std::clamp(c.numericScale, 0, precision);
        const bool decimal = std::string(word) == "DECIMAL";
        const FirebirdColumnStorage storage = precision <= 4 && !decimal ? FirebirdColumnStorage{2, 2}
                                              : precision <= 9           ? FirebirdColumnStorage{4, 4}
                                              : precision <= 18          ? FirebirdColumnStorage{8, 8}
                                                                         : FirebirdColumnStorage{16, 8};
        return {std::string(word) + "(" + std::to_string(precision) + "," + std::to_string(scale) + ")", storage,
                true};
    }

    // More digits than the target's NUMERIC holds: the measured values decide. Currency is a 64-bit
    // integer of ten-thousandths, which is what NUMERIC(18,4) stores.
    ColumnType tooWide(const char* word, const SourceColumn& c, int most) const {
        if (Has(LowerAdoTypeName(c.type), "currency")) return exact(word, SourceColumn{c.name, c.type, 8, 18, 4});
        const int scale = std::clamp(c.numericScale, 0, c.precision);
        const auto measured = target_.wholeDigits.find(c.name);
        if (measured != target_.wholeDigits.end() && measured->second + scale <= most)
            return exact(word, SourceColumn{c.name, c.type, c.definedSize, most, scale});
        return exactText(c.precision);
    }

    // Dialect 1 keeps these as doubles: exact where the measured values fit 15 digits.
    ColumnType dialectOneDouble(const SourceColumn& c, int scale) const {
        constexpr int kDoubleDigits = 15;
        const auto measured = target_.wholeDigits.find(c.name);
        if (measured == target_.wholeDigits.end() || measured->second + scale > kDoubleDigits)
            throw TableRefused("The column " + c.name + " may hold numbers of more than " +
                               std::to_string(kDoubleDigits) +
                               " digits, which a dialect 1 database does not keep exactly. The table was not copied.");
        if (scale == 0) return {"DOUBLE PRECISION", {8, 8}, true};
        return {"NUMERIC(15," + std::to_string(scale) + ")", {8, 8}, true};
    }

    // Every digit, a sign and a point, as text.
    ColumnType exactText(int digits) const {
        const long long characters = digits + 2;
        return {"VARCHAR(" + std::to_string(characters) + ")" + clause_,
                {characters * kUtf8BytesPerCharacter + 2, 2}, false, false, false};
    }

    std::string clause_;
    const FirebirdTargetFacts& target_;
};

// The widest VARCHARs become text BLOBs until the record fits.
void FitRecord(std::vector<ColumnType>& types, const ColumnTypes& rules) {
    auto recordBytes = [&] {
        std::vector<FirebirdColumnStorage> storage;
        for (const auto& t : types) storage.push_back(t.storage);
        return FirebirdRecordBytes(storage);
    };
    while (recordBytes() > kFirebirdMaxRecordBytes) {
        auto widest = std::max_element(types.begin(), types.end(), [](const auto& a, const auto& b) {
            return (a.varchar ? a.storage.bytes : 0) < (b.varchar ? b.storage.bytes : 0);
        });
        if (!widest->varchar) break;
        *widest = rules.textBlob();
    }
}

void RequireFirebirdName(const std::string& name, const char* what, const FirebirdTargetFacts& target) {
    if (target.dialect == 1 && !IsDialectOneName(name))
        throw TableRefused("The " + std::string(what) + " name " + FirebirdName(name) +
                           " cannot be written in a dialect 1 database, which takes only names of capital letters, "
                           "digits, _ and $ that begin with a letter, of at most 31 bytes. The table was not copied.");
    if (target.engineMajorVersion >= 4) {
        if (CharacterCount(name) > kFirebird4MaxNameCharacters)
            throw TableRefused("The " + std::string(what) + " name " + FirebirdName(name) + " is " +
                               std::to_string(CharacterCount(name)) + " characters long; Firebird takes names of at most " +
                               std::to_string(kFirebird4MaxNameCharacters) + " characters. The table was not copied.");
        return;
    }
    if (name.size() > kFirebirdMaxNameBytes)
        throw TableRefused("The " + std::string(what) + " name " + FirebirdName(name) + " is " +
                           std::to_string(name.size()) + " bytes long; Firebird takes names of at most " +
                           std::to_string(kFirebirdMaxNameBytes) + " bytes. The table was not copied.");
}

}  // namespace

FirebirdDefaultCharacterSet ClassifyFirebirdCharacterSet(const std::string& name) {
    return LowerCase(name) == "utf8" ? FirebirdDefaultCharacterSet::HoldsAnyText : FirebirdDefaultCharacterSet::Limited;
}

long long FirebirdRecordBytes(const std::vector<FirebirdColumnStorage>& columns) {
    long long offset = static_cast<long long>((columns.size() + 31) / 32) * 4;
    for (const auto& c : columns) {
        offset = (offset + c.alignment - 1) / c.alignment * c.alignment;
        offset += c.bytes;
    }
    return offset;
}

std::optional<std::string> ValueAfterCopyToFirebird(const Value& value, const SourceColumn& column) {
    // Booleans go into SMALLINT columns as 1 and 0.
    if (const auto* b = std::get_if<bool>(&value)) return std::string(*b ? "1" : "0");
    // A single goes into FLOAT and stays the single it was.
    if (const auto* f = std::get_if<Floating>(&value); f && Has(LowerAdoTypeName(column.type), "single"))
        return ValueText(Floating{static_cast<float>(f->value), true});
    // Date-times are written in the literal form, to 1/10000 s (what Firebird keeps); a DATE column
    // takes the date alone, the zero date included.
    if (const auto* d = std::get_if<DateTime>(&value))
        return DateTimeText(*d, !(d->isMidnight() && (Has(LowerAdoTypeName(column.type), "date") || !d->isZeroDate())));
    // Empty texts and empty binaries are written as NULL.
    const std::string text = ValueText(value);
    if (text.empty()) return std::nullopt;
    return text;
}

std::string FirebirdNameFor(const std::string& name, int dialect) {
    return dialect == 1 && IsDialectOneName(name) ? name : FirebirdName(name);
}

bool IsDialectOneName(const std::string& name) {
    if (name.empty() || name.size() > kFirebirdMaxNameBytes || name[0] < 'A' || name[0] > 'Z') return false;
    return name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_$") == std::string::npos;
}

FirebirdTableDefinition MapColumnsToFirebird(const std::string& tableName, const std::vector<SourceColumn>& columns,
                                             const FirebirdTargetFacts& target) {
    RequireFirebirdName(tableName, "table", target);
    for (const auto& c : columns) RequireFirebirdName(c.name, "column", target);
    const ColumnTypes rules(target);
    std::vector<ColumnType> types;
    types.reserve(columns.size());
    for (const auto& c : columns) types.push_back(rules.of(c));
    FitRecord(types, rules);

    FirebirdTableDefinition definition;
    std::string& s = definition.createStatement;
    s = "CREATE TABLE " + FirebirdNameFor(tableName, target.dialect) + "(";
    for (size_t i = 0; i < columns.size(); ++i) {
        s += FirebirdNameFor(columns[i].name, target.dialect);
        s += ' ';
        s += types[i].text;
        if (!target.identity.empty() && columns[i].name == target.identity && CanBeIdentity(types[i].text))
            s += " GENERATED BY DEFAULT AS IDENTITY";
        s += ',';
        definition.types.push_back(types[i].text);
        definition.bytes.push_back(types[i].storage.bytes);
        definition.moment.push_back(types[i].text == "DATE" || types[i].text == "TIME" || types[i].text == "TIMESTAMP");
        definition.numeric.push_back(types[i].numeric);
        definition.dateOnly.push_back(types[i].dateOnly);
    }
    s.back() = ')';
    return definition;
}

}  // namespace tess
