#include "transfer/sqlserver_insert.h"

#include <algorithm>

#include "catalogue/ado_type_name.h"
#include "catalogue/name_patterns.h"
#include "common/text_codec.h"
#include "transfer/identifiers.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

bool HasLineContinuation(const std::string& text) {
    for (size_t at = text.find('\\'); at != std::string::npos; at = text.find('\\', at + 1))
        if (at + 1 < text.size() && (text[at + 1] == '\n' || text[at + 1] == '\r')) return true;
    return false;
}

// A decimal the driver can take as one: plain digits with a sign and a point, no exponent, at most
// SQL Server's 38 digits.
bool IsPlainDecimal(const Value& v) {
    const auto* d = std::get_if<Decimal>(&v);
    if (!d || !IsPlainNumber(d->text) || d->text.find_first_of("eE+") != std::string::npos) return false;
    return std::count_if(d->text.begin(), d->text.end(), [](char c) { return c >= '0' && c <= '9'; }) <= 38;
}

// The zero date marks a time of day only in a column of times: 30 December 1899 is a date too.
std::string SqlServerValueText(const Value& value, bool timeOnly) {
    const auto* t = std::get_if<DateTime>(&value);
    if (!t) return ValueText(value);
    return timeOnly ? TimeOfDayText(*t) : DateTimeText(*t, !t->isMidnight());
}

// The literal of one value; false when it must be a parameter: a line continuation, or a literal
// longer than `limit` bytes of UTF-8 (each of which is at most one UTF-16 unit).
bool AppendLiteral(std::string& s, const Value& value, bool timeOnly, size_t limit) {
    if (const auto* bytes = std::get_if<Bytes>(&value); bytes && !bytes->empty()) {
        if (bytes->size() * 2 + 2 > limit) return false;
        s += "0x";
        s += HexDigits(*bytes);
        return true;
    }
    const std::string text = SqlServerValueText(value, timeOnly);
    if (text.empty()) return s += "NULL", true;
    if (HasLineContinuation(text) || text.size() + 3 > limit) return false;
    if (!IsAscii(text)) s += 'N';
    s += '\'';
    AppendDoublingQuotes(s, text);
    s += '\'';
    return true;
}

bool IsTimeOnly(const std::vector<bool>& timeOnly, size_t column) {
    return column < timeOnly.size() && timeOnly[column];
}

Statement Render(const std::string& tableName, const std::string& columnList, const std::vector<Value>& row,
                 const std::vector<bool>& timeOnly, size_t literalLimit) {
    Statement statement;
    std::string& s = statement.text;
    s.reserve(64 + row.size() * 16);
    s += "INSERT INTO ";
    s += SqlServerName(tableName);
    s += columnList;
    s += " VALUES(";
    for (size_t i = 0; i < row.size(); ++i) {
        const Value& value = row[i];
        if (!AppendLiteral(s, value, IsTimeOnly(timeOnly, i), literalLimit)) {
            s += '?';
            statement.parameters.push_back(value);
        }
        s += ", ";
    }
    if (!row.empty()) s.resize(s.size() - 2);
    s += ')';
    return statement;
}

}  // namespace

std::string SqlServerBulkInsert(const std::string& tableName, size_t columns, const std::string& columnList) {
    return PreparedInsert(SqlServerName(tableName) + columnList, columns);
}

std::string SqlServerColumnList(const std::vector<SourceColumn>& columns) {
    std::string list;
    for (const auto& c : columns) list += (list.empty() ? "(" : ", ") + SqlServerName(c.name);
    return list.empty() ? list : list + ")";
}

std::vector<bool> TimeOnlyColumns(const std::vector<SourceColumn>& columns) {
    std::vector<bool> timeOnly;
    for (const SourceColumn& c : columns) timeOnly.push_back(LowerAdoTypeName(c.type) == "addbtime");
    return timeOnly;
}

std::vector<Value> SqlServerBulkValues(const std::vector<Value>& row, const std::vector<bool>& timeOnly) {
    std::vector<Value> values;
    values.reserve(row.size());
    for (size_t i = 0; i < row.size(); ++i) {
        const Value& v = row[i];
        if (const auto* bytes = std::get_if<Bytes>(&v)) {
            // Copied once: a conditional between a new value and this one made a second copy.
            if (bytes->empty()) values.emplace_back(Null{});
            else values.push_back(v);
            continue;
        }
        // Numbers as themselves: the server reads the same number from them that it reads from
        // their literal text.
        if (std::holds_alternative<std::int64_t>(v) || std::holds_alternative<Floating>(v) || IsPlainDecimal(v)) {
            values.push_back(v);
            continue;
        }
        std::string text = SqlServerValueText(v, IsTimeOnly(timeOnly, i));
        if (text.empty())
            values.emplace_back(Null{});
        else
            values.emplace_back(std::move(text));
    }
    return values;
}

Statement RenderSqlServerInsert(const std::string& tableName, const std::vector<Value>& row,
                                const std::vector<bool>& timeOnly, const std::string& columnList) {
    constexpr size_t kMaxUtf8Bytes = kSqlServerMaxStatementUtf16Bytes / 2;
    Statement statement = Render(tableName, columnList, row, timeOnly, kMaxUtf8Bytes);
    // Many large values in one row: move ever shorter ones to parameters until the text fits.
    for (size_t limit : {kMaxUtf8Bytes / 16, size_t{4096}, size_t{0}}) {
        if (statement.text.size() <= kMaxUtf8Bytes) break;
        statement = Render(tableName, columnList, row, timeOnly, limit);
    }
    return statement;
}

}  // namespace tess
