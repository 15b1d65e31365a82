#include "platform/odbc/odbc_recordset.h"

#include <optional>

#include "platform/object_state.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <cstring>

#include "platform/odbc/odbc_error.h"
#include "platform/odbc/odbc_read_long.h"
#include "platform/odbc/odbc_types.h"
#include "common/text_codec.h"

namespace tess {
namespace {

std::string CatalogueName(const std::string& odbcName) {
    if (odbcName == "TABLE_CAT") return "TABLE_CATALOG";
    if (odbcName == "TABLE_SCHEM") return "TABLE_SCHEMA";
    return odbcName;
}

DateTime ParseTimeText(const std::string& text) {
    DateTime t;  // the zero date
    unsigned h = 0, m = 0, s = 0;
    char fraction[16] = {};
    if (std::sscanf(text.c_str(), "%u:%u:%u.%15[0-9]", &h, &m, &s, fraction) >= 3) {
        t.hour = static_cast<int>(h), t.minute = static_cast<int>(m), t.second = static_cast<int>(s);
        std::string f = std::string(fraction).substr(0, 9);
        f.append(9 - f.size(), '0');
        t.nanos = static_cast<std::uint32_t>(std::stoul(f));
    }
    return t;
}

}  // namespace

OdbcRecordset::OdbcRecordset(OdbcHandle statement, long long recordCount, Naming naming)
    : stmt_(std::move(statement)) {
    recordCount_ = recordCount;
    describe(naming);
    if (naming == kResultNames) block_ = OdbcBlock::Bind(stmt_.get(), sqlTypes_, scales_);
    fetch();
}

void OdbcRecordset::describe(Naming naming) {
    SQLSMALLINT columns = 0;
    CheckOdbc(SQLNumResultCols(stmt_.get(), &columns), SQL_HANDLE_STMT, stmt_.get(), "SQLNumResultCols");
    for (SQLSMALLINT i = 1; i <= columns; ++i) {
        SQLWCHAR name[256] = {};
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        CheckOdbc(SQLDescribeColW(stmt_.get(), i, name, 256, &nameLength, &sqlType, &size, &digits, &nullable),
                  SQL_HANDLE_STMT, stmt_.get(), "SQLDescribeCol");
        std::string columnName =
            Utf16ToUtf8(reinterpret_cast<const char16_t*>(name), std::min<SQLSMALLINT>(nameLength, 255));
        if (naming == kCatalogueNames) columnName = CatalogueName(columnName);
        fields_.push_back(AdoFieldFromOdbc(columnName, sqlType, size, digits));
        sqlTypes_.push_back(sqlType);
        scales_.push_back(fields_.back().numericScale);
    }
}

bool OdbcRecordset::isOpen() const { return bool(stmt_); }

void OdbcRecordset::fetch() {
    if (block_) {
        if (!block_->next(row_)) {
            endOfRows();
        }
        return;
    }
    SQLRETURN rc = SQLFetch(stmt_.get());
    if (rc == SQL_NO_DATA) return endOfRows();
    CheckOdbc(rc, SQL_HANDLE_STMT, stmt_.get(), "SQLFetch");
    row_.resize(fields_.size());
    // Each value goes before the next is read: a long one is never held beside its successor.
    for (int i = 0; i < fieldCount(); ++i) row_[i] = Null{}, row_[i] = readColumn(i);
}

Value OdbcRecordset::readColumn(int index) {
    if (std::optional<Value> fixed = readFixedWidth(index)) return *fixed;
    return readInPieces(index);
}

// The kinds that SQLGetData hands over whole, into a buffer of their own size; nothing for the rest.
std::optional<Value> OdbcRecordset::readFixedWidth(int index) {
    SQLHSTMT stmt = stmt_.get();
    const auto column = static_cast<SQLUSMALLINT>(index + 1);
    SQLLEN indicator = 0;
    auto get = [&](SQLSMALLINT cType, void* target, SQLLEN size) {
        CheckOdbc(SQLGetData(stmt, column, cType, target, size, &indicator), SQL_HANDLE_STMT, stmt, "SQLGetData");
        return indicator != SQL_NULL_DATA;
    };
    switch (sqlTypes_[index]) {
        case SQL_BIT: {
            unsigned char b = 0;
            return get(SQL_C_BIT, &b, sizeof b) ? Value(b != 0) : Value(Null{});
        }
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT: {
            SQLBIGINT n = 0;
            return get(SQL_C_SBIGINT, &n, sizeof n) ? Value(std::int64_t{n}) : Value(Null{});
        }
        case SQL_REAL: {
            float x = 0;
            return get(SQL_C_FLOAT, &x, sizeof x) ? Value(Floating{x, true}) : Value(Null{});
        }
        case SQL_FLOAT:
        case SQL_DOUBLE: {
            double x = 0;
            return get(SQL_C_DOUBLE, &x, sizeof x) ? Value(Floating{x, false}) : Value(Null{});
        }
        case SQL_TYPE_DATE:
        case SQL_DATE: {
            SQL_DATE_STRUCT d{};
            if (!get(SQL_C_TYPE_DATE, &d, sizeof d)) return Value(Null{});
            return Value(DateTime{d.year, d.month, d.day, 0, 0, 0, 0});
        }
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP: {
            SQL_TIMESTAMP_STRUCT t{};
            if (!get(SQL_C_TYPE_TIMESTAMP, &t, sizeof t)) return Value(Null{});
            return Value(DateTime{t.year, t.month, t.day, t.hour, t.minute, t.second, t.fraction});
        }
        default:
            return std::nullopt;
    }
}

// Decimals, times, binary and text: read in pieces of any length, through the one scratch buffer.
Value OdbcRecordset::readInPieces(int index) {
    SQLHSTMT stmt = stmt_.get();
    const auto column = static_cast<SQLUSMALLINT>(index + 1);
    switch (sqlTypes_[index]) {
        case SQL_DECIMAL:
        case SQL_NUMERIC: {
            std::string text;
            if (!ReadLong(stmt, column, SQL_C_CHAR, scratch_, text)) return Null{};
            return Decimal{NormaliseDecimal(text, fields_[index].numericScale)};
        }
        case SQL_TYPE_TIME:
        case SQL_TIME:
        case kSqlSsTime2: {
            // As text, so that a time(n)'s fractions of a second are kept.
            std::string text;
            if (!ReadLong(stmt, column, SQL_C_CHAR, scratch_, text)) return Null{};
            return ParseTimeText(text);
        }
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY: {
            Bytes bytes;
            if (!ReadLong(stmt, column, SQL_C_BINARY, scratch_, bytes)) return Null{};
            return bytes;
        }
        default: {
            std::string text;
            if (!ReadLongText(stmt, column, scratch_, text)) return Null{};
            return text;
        }
    }
}

void OdbcRecordset::cancel() noexcept {
    try {
        SQLCancel(stmt_.get());
    } catch (const std::exception&) {  // its connection is closed: nothing runs on it
    }
}

void OdbcRecordset::close() {
    requireOpen();
    block_.reset();
    stmt_.reset();
    row_.clear();
}

}  // namespace tess
