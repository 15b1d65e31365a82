#include "transfer/firebird_insert.h"

#include "transfer/identifiers.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

void AppendNumeric(std::string& s, const Value& value) {
    const std::string text = ValueText(value);
    if (text.empty()) s += "NULL";
    else if (text == "False") s += '0';
    else if (text == "True") s += '1';
    else s += text;
}

// The literal of a non-numeric value; false when it is longer than `limit` and must be a parameter.
bool AppendLiteral(std::string& s, const Value& value, size_t limit) {
    if (const auto* bytes = std::get_if<Bytes>(&value)) {
        if (bytes->empty()) return s += "NULL", true;
        if (bytes->size() * 2 + 3 > limit) return false;
        s += "X'";
        s += HexDigits(*bytes);
        s += '\'';
        return true;
    }
    if (const auto* t = std::get_if<DateTime>(&value)) {
        // A time of day alone is written on the zero date, as the date-time kind carries it.
        s += '\'';
        s += DateTimeText(*t, t->isZeroDate() || !t->isMidnight());
        s += '\'';
        return true;
    }
    const std::string text = ValueText(value);
    if (text.empty()) return s += "NULL", true;
    if (text.size() + 2 > limit) return false;
    s += '\'';
    AppendDoublingQuotes(s, text);
    s += '\'';
    return true;
}

Statement Render(const std::string& tableName, const std::vector<bool>& numeric, const std::vector<Value>& row,
                 size_t literalLimit) {
    Statement statement;
    std::string& s = statement.text;
    s.reserve(64 + row.size() * 16);
    s += "INSERT INTO ";
    s += FirebirdName(tableName);
    s += " VALUES(";
    for (size_t j = 0; j < row.size(); ++j) {
        if (j < numeric.size() && numeric[j]) {
            AppendNumeric(s, row[j]);
        } else if (!AppendLiteral(s, row[j], literalLimit)) {
            s += '?';
            statement.parameters.push_back(row[j]);
        }
        s += ", ";
    }
    if (!row.empty()) s.resize(s.size() - 2);
    s += ')';
    return statement;
}

}  // namespace

Statement RenderFirebirdInsert(const std::string& tableName, const std::vector<bool>& numeric,
                               const std::vector<Value>& row) {
    Statement statement = Render(tableName, numeric, row, kFirebirdMaxLiteralBytes);
    // Many large values in one row: move ever shorter ones to parameters until the text fits.
    for (size_t limit : {size_t{2000}, size_t{100}, size_t{0}}) {
        if (statement.text.size() <= kFirebirdMaxStatementBytes) break;
        statement = Render(tableName, numeric, row, limit);
    }
    return statement;
}

}  // namespace tess
