#include "platform/odbc/odbc_parameters.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "common/text_codec.h"
#include "platform/odbc/odbc_error.h"

namespace tess {
namespace {

// A larger array is sent as rows one by one: a few long texts must not cost hundreds of megabytes.
constexpr size_t kArrayBytesLimit = 32u << 20;

enum class Kind { kNull, kText, kBinary };

Kind KindOf(const Value& value) {
    if (IsNull(value)) return Kind::kNull;
    if (std::holds_alternative<Bytes>(value)) return Kind::kBinary;
    if (std::holds_alternative<std::string>(value) || std::holds_alternative<Floating>(value)) return Kind::kText;
    throw OdbcError("Only text, binary and floating-point values can be passed as parameters.");
}

// Floating-point values travel as their shortest exact text, judged at their own precision.
std::u16string MarkerText(const Value& value) {
    if (const auto* f = std::get_if<Floating>(&value)) return Utf8ToUtf16(ShortestText(*f));
    return Utf8ToUtf16(std::get<std::string>(value));
}

}  // namespace

void ParameterRow::bind(SQLHSTMT stmt, const std::vector<Value>& parameters) {
    texts_.assign(parameters.size(), {});
    lengths_.assign(parameters.size(), 0);
    for (size_t i = 0; i < parameters.size(); ++i) {
        const auto number = static_cast<SQLUSMALLINT>(i + 1);
        const Value& value = parameters[i];
        SQLRETURN rc = SQL_SUCCESS;
        switch (KindOf(value)) {
            case Kind::kText:
                texts_[i] = MarkerText(value);
                lengths_[i] = static_cast<SQLLEN>(texts_[i].size() * sizeof(char16_t));
                rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WLONGVARCHAR,
                                      std::max<SQLULEN>(texts_[i].size(), 1), 0, texts_[i].data(), lengths_[i],
                                      &lengths_[i]);
                break;
            case Kind::kBinary: {
                const auto& b = std::get<Bytes>(value);
                lengths_[i] = static_cast<SQLLEN>(b.size());
                rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                                      std::max<SQLULEN>(b.size(), 1), 0, const_cast<std::uint8_t*>(b.data()),
                                      lengths_[i], &lengths_[i]);
                break;
            }
            case Kind::kNull:
                lengths_[i] = SQL_NULL_DATA;
                rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, 0, nullptr, 0,
                                      &lengths_[i]);
                break;
        }
        CheckOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLBindParameter");
    }
}

bool ParameterArray::bind(SQLHSTMT stmt, const std::vector<std::vector<Value>>& rows) {
    if (rows.empty() || !gather(rows)) return false;
    bindGathered(stmt, rows.size());
    return true;
}

// Each column's values in one buffer as wide as its longest value; false when they cannot travel
// as an array.
bool ParameterArray::gather(const std::vector<std::vector<Value>>& rows) {
    const size_t rowCount = rows.size(), markers = rows.front().size();
    // The texts are made first: a column's buffer is as wide as its longest value.
    std::vector<std::vector<std::u16string>> texts(markers, std::vector<std::u16string>(rowCount));
    columns_.assign(markers, {});
    size_t bytes = 0;
    for (size_t j = 0; j < markers; ++j) {
        Column& column = columns_[j];
        for (size_t r = 0; r < rowCount; ++r) {
            if (rows[r].size() != markers) return false;
            const Value& value = rows[r][j];
            // Binary values go row by row: SQLite's driver gave every row of a binary array the
            // length of its first value, and no other driver can be tried here.
            if (KindOf(value) == Kind::kBinary) return false;
            if (IsNull(value)) continue;
            texts[j][r] = MarkerText(value);
            column.width = std::max(column.width, texts[j][r].size());
        }
        bytes += column.width * rowCount * sizeof(char16_t);
        if (bytes > kArrayBytesLimit) return false;
    }
    for (size_t j = 0; j < markers; ++j) {
        Column& column = columns_[j];
        column.lengths.assign(rowCount, SQL_NULL_DATA);
        column.texts.assign(column.width * rowCount, u'\0');
        for (size_t r = 0; r < rowCount; ++r) {
            if (IsNull(rows[r][j])) continue;
            const std::u16string& t = texts[j][r];
            std::copy(t.begin(), t.end(), column.texts.begin() + static_cast<std::ptrdiff_t>(r * column.width));
            column.lengths[r] = static_cast<SQLLEN>(t.size() * sizeof(char16_t));
        }
    }
    return true;
}

void ParameterArray::bindGathered(SQLHSTMT stmt, size_t rowCount) {
    statuses_.assign(rowCount, SQL_PARAM_UNUSED);
    processed_ = 0;
    // A bind that fails part-way must not leave the statement taking arrays of rows.
    struct BackToOneRow {
        SQLHSTMT stmt;
        bool kept = false;
        ~BackToOneRow() {
            if (!kept) ParameterArray::unbind(stmt);
        }
    } guard{stmt};
    CheckOdbc(SQLFreeStmt(stmt, SQL_RESET_PARAMS), SQL_HANDLE_STMT, stmt, "SQLFreeStmt");
    auto set = [&](SQLINTEGER attribute, SQLPOINTER value) {
        CheckOdbc(SQLSetStmtAttr(stmt, attribute, value, 0), SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr");
    };
    set(SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_PARAM_BIND_BY_COLUMN)));
    set(SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(rowCount)));
    set(SQL_ATTR_PARAM_STATUS_PTR, statuses_.data());
    set(SQL_ATTR_PARAMS_PROCESSED_PTR, &processed_);
    for (size_t j = 0; j < columns_.size(); ++j) {
        Column& column = columns_[j];
        CheckOdbc(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(j + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
                                   SQL_WLONGVARCHAR, column.width, 0, column.texts.data(),
                                   static_cast<SQLLEN>(column.width * sizeof(char16_t)), column.lengths.data()),
                  SQL_HANDLE_STMT, stmt, "SQLBindParameter");
    }
    guard.kept = true;
}

// A row that fails leaves a diagnostic record, so a plain success covers every row that the driver
// says it ran (SQLite's driver marks no row's status). With information, each row's status tells:
// Microsoft's driver and FreeTDS return SQL_SUCCESS_WITH_INFO even when every row was refused.
bool EveryArrayRowTaken(SQLRETURN rc, SQLULEN processed, const std::vector<SQLUSMALLINT>& statuses) {
    if (rc == SQL_NO_DATA) return true;  // statements that touched no rows
    if (!SQL_SUCCEEDED(rc) || processed != statuses.size()) return false;
    return rc == SQL_SUCCESS || std::all_of(statuses.begin(), statuses.end(), [](SQLUSMALLINT s) {
               return s == SQL_PARAM_SUCCESS || s == SQL_PARAM_SUCCESS_WITH_INFO;
           });
}

void ParameterArray::check(SQLHSTMT stmt, SQLRETURN rc) const {
    if (EveryArrayRowTaken(rc, processed_, statuses_)) return;
    CheckOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLExecute");
    ThrowOdbcDiagnostics(SQL_HANDLE_STMT, stmt, "The driver did not take every row of the array.");
}

// Every call is made even when one fails: each puts back a default the next execution relies on.
void ParameterArray::unbind(SQLHSTMT stmt) noexcept {
    SQLFreeStmt(stmt, SQL_RESET_PARAMS);
    SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(1)), 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_STATUS_PTR, nullptr, 0);
    SQLSetStmtAttr(stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, nullptr, 0);
}

}  // namespace tess
