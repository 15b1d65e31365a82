#pragma once
// SQL Server result columns to a Firebird CREATE TABLE statement, and which columns are numeric.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "transfer/source_column.h"
#include "transfer/statement.h"

namespace tess {

struct FirebirdTableDefinition {
    std::string createStatement;
    std::vector<bool> numeric;   // per column: values are written bare
    std::vector<bool> dateOnly;  // per column: a DATE, which takes a date without a time of day
};

// Firebird 3's limits that the column types must respect; version 4 takes NUMERIC of 38 digits and
// names of 63 characters.
inline constexpr int kFirebirdMaxPrecision = 18;
inline constexpr int kFirebird4MaxPrecision = 38;
inline constexpr size_t kFirebird4MaxNameCharacters = 63;
inline constexpr long long kFirebirdMaxVarcharBytes = 32765;
inline constexpr long long kFirebirdMaxRecordBytes = 65535;
inline constexpr size_t kFirebirdMaxNameBytes = 31;
// The text columns we create hold UTF-8, which takes up to 4 bytes a character; VARCHAR(n) in it
// counts characters.
inline constexpr long long kUtf8BytesPerCharacter = 4;

// Whether the target database's default character set holds every character. Only UTF8 does:
// NONE counts bytes, UNICODE_FSS stops at three bytes, the others at their code page. Where it
// does not, the text columns we create name CHARACTER SET UTF8.
enum class FirebirdDefaultCharacterSet { HoldsAnyText, Limited };
FirebirdDefaultCharacterSet ClassifyFirebirdCharacterSet(const std::string& name);

// What the mapping knows of the target and of the source's values, read before the CREATE.
struct FirebirdTargetFacts {
    FirebirdDefaultCharacterSet characterSet = FirebirdDefaultCharacterSet::HoldsAnyText;
    int engineMajorVersion = 3;
    // A dialect 1 database has no quoted names, no BIGINT, and keeps NUMERIC of more than 9 digits
    // as a double, exact to 15 digits.
    int dialect = 3;
    // Source columns of more digits than the target's NUMERIC holds, by name: the whole digits of
    // their largest value. A column missing here was not measured.
    std::map<std::string, int> wholeDigits{};
};

// Throws TableRefused when the table's or a column's name is longer than Firebird takes.
//
// A NUMERIC or DECIMAL of more digits than the target's NUMERIC holds (18 before Firebird 4)
// becomes NUMERIC(18, scale) when its largest value, measured in the source, fits that with every
// scale digit; else a VARCHAR holding each value's exact digits. No value is refused or rounded.
//
// Into a dialect 1 database names are written bare, and must be upper-case identifiers; BIGINT and
// NUMERIC of more than 9 digits become DOUBLE PRECISION or NUMERIC(15, scale) where the measured
// values fit 15 digits. Anything else refuses the table, saying why.
FirebirdTableDefinition MapColumnsToFirebird(const std::string& tableName, const std::vector<SourceColumn>& columns,
                                             const FirebirdTargetFacts& target);
inline FirebirdTableDefinition MapColumnsToFirebird(
    const std::string& tableName, const std::vector<SourceColumn>& columns,
    FirebirdDefaultCharacterSet characterSet = FirebirdDefaultCharacterSet::HoldsAnyText) {
    return MapColumnsToFirebird(tableName, columns, FirebirdTargetFacts{characterSet});
}

// The name as a statement for that database writes it: quoted, or bare in dialect 1.
std::string FirebirdNameFor(const std::string& name, int dialect);
// A name a dialect 1 database can take: an upper-case identifier of at most 31 bytes.
bool IsDialectOneName(const std::string& name);

// A value as the copy to Firebird leaves it, for telling a copy from its source: every conversion
// that this mapping and the Firebird row writer make by design, written down here once. Nothing
// stands for NULL. Applied alike to a source value and to its copy, with the source's column.
std::optional<std::string> ValueAfterCopyToFirebird(const Value& value, const SourceColumn& column);

// The bytes of a record of these column types, as Firebird lays it out: a null bitmap of whole
// 32-bit words, then each column at its type's alignment.
struct FirebirdColumnStorage {
    long long bytes;
    int alignment;
};
long long FirebirdRecordBytes(const std::vector<FirebirdColumnStorage>& columns);

}  // namespace tess
