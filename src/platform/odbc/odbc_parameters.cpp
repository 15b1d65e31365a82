#include "platform/odbc/odbc_parameters.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>
#include <cstring>

#include "common/text_codec.h"
#include "platform/odbc/odbc_error.h"

namespace tess {
namespace {

// A larger array is sent as rows one by one: a few long texts must not cost hundreds of megabytes.
constexpr size_t kArrayBytesLimit = 32u << 20;
// A longer text goes at execution, a piece at a time, each piece made UTF-16 as it goes
// (SQLPutData): bound whole, its UTF-16 would cost twice its UTF-8 again for ASCII text.
constexpr size_t kLongTextBytes = 1u << 20;
constexpr size_t kTextPieceBytes = 1u << 16;

// The UTF-16 units of valid UTF-8: one for each character, two for those past U+FFFF.
size_t Utf16Units(std::string_view utf8) {
    size_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        units += ((byte & 0xC0) != 0x80) + (byte >= 0xF0);
    }
    return units;
}

// A text handed over at execution, each piece ending on a whole character and made UTF-16 alone.
void PutInPieces(SQLHSTMT stmt, std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.size(), at + kTextPieceBytes);
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        std::u16string piece = Utf8ToUtf16(text.substr(at, end - at));
        CheckOdbc(SQLPutData(stmt, piece.data(), static_cast<SQLLEN>(piece.size() * sizeof(char16_t))),
                  SQL_HANDLE_STMT, stmt, "SQLPutData");
        at = end;
    }
}

bool IsLongText(const Value& value) {
    const auto* text = std::get_if<std::string>(&value);
    return text && text->size() > kLongTextBytes;
}

enum class Kind { kNull, kText, kBinary, kInteger, kDouble, kDecimal };

// Integers, floating point and decimals travel as themselves, so that the server converts no text.
Kind KindOf(const Value& value) {
    if (IsNull(value)) return Kind::kNull;
    if (std::holds_alternative<Bytes>(value)) return Kind::kBinary;
    if (std::holds_alternative<std::string>(value)) return Kind::kText;
    if (std::holds_alternative<std::int64_t>(value)) return Kind::kInteger;
    if (std::holds_alternative<Floating>(value)) return Kind::kDouble;
    if (std::holds_alternative<Decimal>(value)) return Kind::kDecimal;
    throw OdbcError("Only text, binary, integer, floating-point and decimal values can be passed as parameters.");
}

// A decimal is declared with SQL Server's widest precision and its own scale: the driver converts
// its digits exactly (FreeTDS declares it DECIMAL(38,s)), and the column's own precision then
// takes the value or refuses it as too large, as it would the literal.
constexpr SQLULEN kDecimalPrecision = 38;

SQLSMALLINT ScaleOf(const std::string& decimal) {
    const size_t point = decimal.find('.');
    return point == std::string::npos ? 0 : static_cast<SQLSMALLINT>(decimal.size() - point - 1);
}

std::u16string MarkerText(const Value& value) { return Utf8ToUtf16(std::get<std::string>(value)); }

// A column's values side by side, `width` characters apart, as a character array binds them; a null
// value's length is the null marker.
template <typename Char, typename TextOf>
void FillFixedWidth(const std::vector<std::vector<Value>>& rows, size_t j, size_t width, std::vector<Char>& buffer,
                    std::vector<SQLLEN>& lengths, TextOf textOf) {
    lengths.assign(rows.size(), SQL_NULL_DATA);
    buffer.assign(width * rows.size(), Char{});
    for (size_t r = 0; r < rows.size(); ++r) {
        if (IsNull(rows[r][j])) continue;
        const auto& text = textOf(r);
        std::copy(text.begin(), text.end(), buffer.begin() + static_cast<std::ptrdiff_t>(r * width));
        lengths[r] = static_cast<SQLLEN>(text.size() * sizeof(Char));
    }
}

// The one kind of a column's values in an array, which binds them all; nothing where they are of
// several kinds (which then go a row at a time, each in its own kind, as one row would send it).
std::optional<ParameterArray::Column::Kind> ColumnKind(const std::vector<std::vector<Value>>& rows, size_t j) {
    Kind seen = Kind::kNull;
    for (const auto& row : rows) {
        const Kind kind = KindOf(row[j]);
        if (kind == Kind::kNull) continue;
        if (seen != Kind::kNull && kind != seen) return std::nullopt;
        seen = kind;
    }
    return seen == Kind::kInteger   ? ParameterArray::Column::kInteger
           : seen == Kind::kDouble  ? ParameterArray::Column::kDouble
           : seen == Kind::kDecimal ? ParameterArray::Column::kDecimal
           : seen == Kind::kBinary  ? ParameterArray::Column::kBinary
                                    : ParameterArray::Column::kText;
}

}  // namespace

void ParameterRow::bind(SQLHSTMT stmt, const std::vector<Value>& parameters) {
    texts_.assign(parameters.size(), {});
    decimals_.assign(parameters.size(), {});
    integers_.assign(parameters.size(), 0);
    doubles_.assign(parameters.size(), 0);
    lengths_.assign(parameters.size(), 0);
    for (size_t i = 0; i < parameters.size(); ++i) {
        const auto number = static_cast<SQLUSMALLINT>(i + 1);
        const Value& value = parameters[i];
        SQLRETURN rc = SQL_SUCCESS;
        switch (KindOf(value)) {
            case Kind::kText:
                if (IsLongText(value)) {
                    // The marker's number is the token SQLParamData hands back for it.
                    const size_t units = Utf16Units(std::get<std::string>(value));
                    lengths_[i] = SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(units * sizeof(char16_t)));
                    rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WLONGVARCHAR, units, 0,
                                          reinterpret_cast<SQLPOINTER>(static_cast<std::uintptr_t>(number)), 0,
                                          &lengths_[i]);
                    break;
                }
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
            case Kind::kInteger:
                integers_[i] = std::get<std::int64_t>(value);
                rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &integers_[i], 0,
                                      nullptr);
                break;
            case Kind::kDouble:
                doubles_[i] = std::get<Floating>(value).value;
                rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &doubles_[i], 0,
                                      nullptr);
                break;
            case Kind::kDecimal:
                decimals_[i] = std::get<Decimal>(value).text;
                lengths_[i] = static_cast<SQLLEN>(decimals_[i].size());
                rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL, kDecimalPrecision,
                                      ScaleOf(decimals_[i]), decimals_[i].data(), lengths_[i], &lengths_[i]);
                break;
            case Kind::kNull:
                lengths_[i] = SQL_NULL_DATA;
                rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, 0, nullptr, 0,
                                      &lengths_[i]);
                break;
        }
        CheckOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLBindParameter");
    }
}

SQLRETURN ParameterRow::execute(SQLHSTMT stmt, const std::vector<Value>& parameters) {
    bind(stmt, parameters);
    return sendLongTexts(stmt, SQLExecute(stmt), parameters);
}

// The driver asks for each long text in turn; a failure part-way cancels the statement's waiting
// for the rest, so that the statement can run again.
SQLRETURN ParameterRow::sendLongTexts(SQLHSTMT stmt, SQLRETURN rc, const std::vector<Value>& parameters) {
    try {
        while (rc == SQL_NEED_DATA) {
            SQLPOINTER token = nullptr;
            rc = SQLParamData(stmt, &token);
            if (rc != SQL_NEED_DATA) break;
            PutInPieces(stmt, std::get<std::string>(parameters.at(reinterpret_cast<std::uintptr_t>(token) - 1)));
        }
    } catch (...) {
        SQLCancel(stmt);
        throw;
    }
    return rc;
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
    for (const auto& row : rows)
        if (row.size() != markers) return false;
    for (size_t j = 0; j < markers; ++j) {
        Column& column = columns_[j];
        const auto kind = ColumnKind(rows, j);
        if (!kind || (*kind == Column::kBinary && !binaryArrays)) return false;
        column.kind = *kind;
        if (column.kind == Column::kDecimal) {
            gatherDecimals(rows, j);
            continue;
        }
        if (column.kind == Column::kBinary) {
            gatherBinaries(rows, j);
            bytes += column.width * rowCount;
            if (bytes > kArrayBytesLimit) return false;
            continue;
        }
        if (column.kind != Column::kText) {
            gatherNumbers(rows, j);
            continue;
        }
        for (size_t r = 0; r < rowCount; ++r) {
            if (IsNull(rows[r][j])) continue;
            if (IsLongText(rows[r][j])) return false;  // it goes a row at a time, in pieces
            texts[j][r] = MarkerText(rows[r][j]);
            column.width = std::max(column.width, texts[j][r].size());
        }
        bytes += column.width * rowCount * sizeof(char16_t);
        if (bytes > kArrayBytesLimit) return false;
    }
    for (size_t j = 0; j < markers; ++j) {
        Column& column = columns_[j];
        if (column.kind != Column::kText) continue;
        FillFixedWidth(rows, j, column.width, column.texts, column.lengths,
                       [&](size_t r) -> const std::u16string& { return texts[j][r]; });
    }
    return true;
}

void ParameterArray::gatherNumbers(const std::vector<std::vector<Value>>& rows, size_t j) {
    Column& column = columns_[j];
    column.lengths.assign(rows.size(), SQL_NULL_DATA);
    if (column.kind == Column::kInteger) column.integers.assign(rows.size(), 0);
    else column.doubles.assign(rows.size(), 0);
    for (size_t r = 0; r < rows.size(); ++r) {
        const Value& value = rows[r][j];
        if (IsNull(value)) continue;
        column.lengths[r] = 0;  // ignored for a fixed-length type, but not the null marker
        if (column.kind == Column::kInteger) column.integers[r] = std::get<std::int64_t>(value);
        else column.doubles[r] = std::get<Floating>(value).value;
    }
}

void ParameterArray::gatherDecimals(const std::vector<std::vector<Value>>& rows, size_t j) {
    Column& column = columns_[j];
    for (const auto& row : rows) {
        if (IsNull(row[j])) continue;
        const std::string& text = std::get<Decimal>(row[j]).text;
        column.width = std::max(column.width, text.size());
        column.scale = std::max(column.scale, ScaleOf(text));
    }
    FillFixedWidth(rows, j, column.width, column.decimals, column.lengths,
                   [&](size_t r) -> const std::string& { return std::get<Decimal>(rows[r][j]).text; });
}

void ParameterArray::gatherBinaries(const std::vector<std::vector<Value>>& rows, size_t j) {
    Column& column = columns_[j];
    for (const auto& row : rows)
        if (const auto* binary = std::get_if<Bytes>(&row[j])) column.width = std::max(column.width, binary->size());
    FillFixedWidth(rows, j, column.width, column.binaries, column.lengths,
                   [&](size_t r) -> const Bytes& { return std::get<Bytes>(rows[r][j]); });
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
        const auto number = static_cast<SQLUSMALLINT>(j + 1);
        SQLRETURN rc = SQL_SUCCESS;
        if (column.kind == Column::kInteger)
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, column.integers.data(),
                                  sizeof(std::int64_t), column.lengths.data());
        else if (column.kind == Column::kDouble)
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, column.doubles.data(),
                                  sizeof(double), column.lengths.data());
        else if (column.kind == Column::kDecimal)
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL, kDecimalPrecision,
                                  column.scale, column.decimals.data(), static_cast<SQLLEN>(column.width),
                                  column.lengths.data());
        else if (column.kind == Column::kBinary)
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY, column.width, 0,
                                  column.binaries.data(), static_cast<SQLLEN>(column.width), column.lengths.data());
        else
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WLONGVARCHAR, column.width, 0,
                                  column.texts.data(), static_cast<SQLLEN>(column.width * sizeof(char16_t)),
                                  column.lengths.data());
        CheckOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLBindParameter");
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
