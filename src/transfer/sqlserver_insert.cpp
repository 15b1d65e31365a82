#include "transfer/sqlserver_insert.h"

#include <algorithm>

#include "transfer/identifiers.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool HasLineContinuation(const std::string& text) {
    for (size_t at = text.find('\\'); at != std::string::npos; at = text.find('\\', at + 1))
        if (at + 1 < text.size() && (text[at + 1] == '\n' || text[at + 1] == '\r')) return true;
    return false;
}

// The literal of one value; false when it must be a parameter: a line continuation, or a literal
// longer than `limit` bytes of UTF-8 (each of which is at most one UTF-16 unit).
bool AppendLiteral(std::string& s, const Value& value, size_t limit) {
    if (const auto* bytes = std::get_if<Bytes>(&value); bytes && !bytes->empty()) {
        if (bytes->size() * 2 + 2 > limit) return false;
        s += "0x";
        s += HexDigits(*bytes);
        return true;
    }
    const std::string text = ValueText(value);
    if (text.empty()) return s += "NULL", true;
    if (HasLineContinuation(text) || text.size() + 3 > limit) return false;
    if (!IsAscii(text)) s += 'N';
    s += '\'';
    AppendDoublingQuotes(s, text);
    s += '\'';
    return true;
}

Statement Render(const std::string& tableName, const std::vector<Value>& row, size_t literalLimit) {
    Statement statement;
    std::string& s = statement.text;
    s.reserve(64 + row.size() * 16);
    s += "INSERT INTO ";
    s += SqlServerName(tableName);
    s += " VALUES(";
    for (const Value& value : row) {
        if (!AppendLiteral(s, value, literalLimit)) {
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

std::string SqlServerBulkInsert(const std::string& tableName, size_t columns) {
    return PreparedInsert(SqlServerName(tableName), columns);
}

std::vector<Value> SqlServerBulkValues(const std::vector<Value>& row) {
    std::vector<Value> values;
    values.reserve(row.size());
    for (const Value& v : row) {
        if (const auto* bytes = std::get_if<Bytes>(&v)) {
            values.push_back(bytes->empty() ? Value{} : v);
            continue;
        }
        std::string text = ValueText(v);
        if (text.empty())
            values.emplace_back(Null{});
        else
            values.emplace_back(std::move(text));
    }
    return values;
}

Statement RenderSqlServerInsert(const std::string& tableName, const std::vector<Value>& row) {
    constexpr size_t kMaxUtf8Bytes = kSqlServerMaxStatementUtf16Bytes / 2;
    Statement statement = Render(tableName, row, kMaxUtf8Bytes);
    // Many large values in one row: move ever shorter ones to parameters until the text fits.
    for (size_t limit : {kMaxUtf8Bytes / 16, size_t{4096}, size_t{0}}) {
        if (statement.text.size() <= kMaxUtf8Bytes) break;
        statement = Render(tableName, row, limit);
    }
    return statement;
}

}  // namespace tess
