#pragma once
// Marker values bound for SQLExecute: one row at a time, or many rows as arrays
// (SQL_ATTR_PARAMSET_SIZE), column by column.
#include <sql.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/value.h"

namespace tess {

// One row of values, bound and run: SQLExecute's result, once every long text has gone.
class ParameterRow {
public:
    SQLRETURN execute(SQLHSTMT stmt, const std::vector<Value>& parameters);

private:
    void bind(SQLHSTMT stmt, const std::vector<Value>& parameters);
    SQLRETURN sendLongTexts(SQLHSTMT stmt, SQLRETURN rc, const std::vector<Value>& parameters);

    std::vector<std::u16string> texts_;
    std::vector<std::string> decimals_;
    std::vector<std::int64_t> integers_;
    std::vector<double> doubles_;
    std::vector<SQLLEN> lengths_;
};

// Whether SQLExecute ran every row of an array of `statuses.size()` rows, from what it returned,
// the rows it says it processed and each row's status.
bool EveryArrayRowTaken(SQLRETURN rc, SQLULEN processed, const std::vector<SQLUSMALLINT>& statuses);

// Many rows of values as one array a marker, each column in the one kind of its values: 64-bit
// integers, doubles, decimals or text. The driver runs every row, and says per row whether it was taken:
// SQLExecute succeeds "with information" even when every row was refused.
class ParameterArray {
public:
    // False when the rows cannot travel as arrays: a column of values of several kinds, more than the
    // memory limit in one array, or binary values where `binaryArrays` is off. The statement is left
    // as it was.
    bool bind(SQLHSTMT stmt, const std::vector<std::vector<Value>>& rows);
    // Throws OdbcError with the driver's diagnostics unless the call succeeded for every row.
    void check(SQLHSTMT stmt, SQLRETURN rc) const;
    // Back to one row a call.
    static void unbind(SQLHSTMT stmt) noexcept;
    bool binaryArrays = true;

    // One marker's values, in the buffers of their kind.
    struct Column {
        enum Kind { kText, kInteger, kDouble, kDecimal, kBinary } kind = kText;
        size_t width = 1;  // UTF-16 code units (a decimal's or binary value's: bytes) of the longest value
        SQLSMALLINT scale = 0;  // a decimal column's: the most digits after the point of its values
        std::vector<char16_t> texts;
        std::vector<char> decimals;
        std::vector<std::uint8_t> binaries;
        std::vector<std::int64_t> integers;
        std::vector<double> doubles;
        std::vector<SQLLEN> lengths;
    };

private:
    bool gather(const std::vector<std::vector<Value>>& rows);
    void gatherNumbers(const std::vector<std::vector<Value>>& rows, size_t column);
    void gatherDecimals(const std::vector<std::vector<Value>>& rows, size_t column);
    void gatherBinaries(const std::vector<std::vector<Value>>& rows, size_t column);
    void bindGathered(SQLHSTMT stmt, size_t rowCount);

    std::vector<Column> columns_;
    std::vector<SQLUSMALLINT> statuses_;
    SQLULEN processed_ = 0;
};

}  // namespace tess
