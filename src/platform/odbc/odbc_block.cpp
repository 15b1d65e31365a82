#include "platform/odbc/odbc_block.h"

#include <sqlucode.h>

#include <algorithm>
#include <cstring>

#include "platform/odbc/odbc_error.h"
#include "platform/odbc/odbc_types.h"

namespace tess {
namespace {

constexpr size_t kBlockBytes = 1 << 20;
constexpr SQLULEN kMostRows = 256;

struct Binding {
    SQLSMALLINT cType;
    SQLLEN width;
};

std::optional<Binding> BindingFor(int sqlType) {
    switch (sqlType) {
        case SQL_BIT: return Binding{SQL_C_BIT, 1};
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT: return Binding{SQL_C_SBIGINT, sizeof(SQLBIGINT)};
        case SQL_REAL: return Binding{SQL_C_FLOAT, sizeof(float)};
        case SQL_FLOAT:
        case SQL_DOUBLE: return Binding{SQL_C_DOUBLE, sizeof(double)};
        case SQL_TYPE_DATE:
        case SQL_DATE: return Binding{SQL_C_TYPE_DATE, sizeof(SQL_DATE_STRUCT)};
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP: return Binding{SQL_C_TYPE_TIMESTAMP, sizeof(SQL_TIMESTAMP_STRUCT)};
        case SQL_DECIMAL:
        case SQL_NUMERIC:  // as text, so that no digit passes through a double: 38 digits, sign, point
            return Binding{SQL_C_CHAR, 64};
        // Text is read cell by cell: a driver may hold values longer than the column declares
        // (SQLite does), and a value cut in a block cannot be read again.
        default: return std::nullopt;
    }
}

}  // namespace

std::unique_ptr<OdbcBlock> OdbcBlock::Bind(SQLHSTMT stmt, const std::vector<int>& sqlTypes,
                                           const std::vector<int>& scales) {
    std::vector<Column> columns;
    size_t rowBytes = 0;
    for (size_t i = 0; i < sqlTypes.size(); ++i) {
        const auto binding = BindingFor(sqlTypes[i]);
        if (!binding) return nullptr;
        columns.push_back({binding->cType, sqlTypes[i], scales[i], binding->width, {}, {}});
        rowBytes += static_cast<size_t>(binding->width) + sizeof(SQLLEN);
    }
    if (columns.empty()) return nullptr;
    const SQLULEN rows = std::clamp<SQLULEN>(kBlockBytes / std::max<size_t>(rowBytes, 1), 1, kMostRows);
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0)) ||
        !SQL_SUCCEEDED(SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0)))
        return nullptr;
    SQLULEN taken = 0;
    if (!SQL_SUCCEEDED(SQLGetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, &taken, 0, nullptr)) || taken != rows) {
        SQLSetStmtAttr(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
        return nullptr;
    }
    return std::unique_ptr<OdbcBlock>(new OdbcBlock(stmt, std::move(columns), rows));
}

OdbcBlock::OdbcBlock(SQLHSTMT stmt, std::vector<Column> columns, SQLULEN rows)
    : stmt_(stmt), columns_(std::move(columns)), rows_(rows), status_(rows) {
    for (size_t i = 0; i < columns_.size(); ++i) {
        Column& c = columns_[i];
        c.data.resize(static_cast<size_t>(c.width) * rows_);
        c.indicators.resize(rows_);
        CheckOdbc(SQLBindCol(stmt_, static_cast<SQLUSMALLINT>(i + 1), c.cType, c.data.data(), c.width,
                             c.indicators.data()),
                  SQL_HANDLE_STMT, stmt_, "SQLBindCol");
    }
    CheckOdbc(SQLSetStmtAttr(stmt_, SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0), SQL_HANDLE_STMT, stmt_, "SQLSetStmtAttr");
    CheckOdbc(SQLSetStmtAttr(stmt_, SQL_ATTR_ROW_STATUS_PTR, status_.data(), 0), SQL_HANDLE_STMT, stmt_,
              "SQLSetStmtAttr");
}

bool OdbcBlock::next(std::vector<Value>& row) {
    if (++at_ >= fetched_) {
        const SQLRETURN rc = SQLFetch(stmt_);
        if (rc == SQL_NO_DATA) return false;
        CheckOdbc(rc, SQL_HANDLE_STMT, stmt_, "SQLFetch");
        at_ = 0;
        if (fetched_ == 0) return false;
    }
    if (status_[at_] == SQL_ROW_ERROR) throw OdbcError("The driver could not read row " + std::to_string(at_ + 1) + " of a block.");
    row.resize(columns_.size());
    for (size_t j = 0; j < columns_.size(); ++j) row[j] = decode(j, at_);
    return true;
}

Value OdbcBlock::decode(size_t j, size_t r) {
    Column& c = columns_[j];
    const SQLLEN indicator = c.indicators[r];
    if (indicator == SQL_NULL_DATA) return Null{};
    const char* at = c.data.data() + static_cast<size_t>(c.width) * r;
    switch (c.cType) {
        case SQL_C_BIT: return *at != 0;
        case SQL_C_SBIGINT: {
            SQLBIGINT n;
            std::memcpy(&n, at, sizeof n);
            return std::int64_t{n};
        }
        case SQL_C_FLOAT: {
            float x;
            std::memcpy(&x, at, sizeof x);
            return Floating{x, true};
        }
        case SQL_C_DOUBLE: {
            double x;
            std::memcpy(&x, at, sizeof x);
            return Floating{x, false};
        }
        case SQL_C_TYPE_DATE: {
            SQL_DATE_STRUCT d;
            std::memcpy(&d, at, sizeof d);
            return DateTime{d.year, d.month, d.day, 0, 0, 0, 0};
        }
        case SQL_C_TYPE_TIMESTAMP: {
            SQL_TIMESTAMP_STRUCT t;
            std::memcpy(&t, at, sizeof t);
            return DateTime{t.year, t.month, t.day, t.hour, t.minute, t.second, t.fraction};
        }
        default: {  // SQL_C_CHAR: a decimal's digits
            if (indicator == SQL_NO_TOTAL || indicator >= c.width)
                throw OdbcError("A decimal value of " + std::to_string(indicator) + " characters is longer than any "
                                "decimal: the driver holds something else in the column.");
            return Decimal{NormaliseDecimal(std::string(at, static_cast<size_t>(indicator)), c.scale)};
        }
    }
}

}  // namespace tess
