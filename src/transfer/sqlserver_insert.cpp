#include "transfer/sqlserver_insert.h"

#include <algorithm>

#include "transfer/identifiers.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

bool IsAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string RenderSqlServerInsert(const std::string& tableName, const std::vector<Value>& row) {
    std::string s;
    s.reserve(64 + row.size() * 16);
    s += "INSERT INTO ";
    s += SqlServerName(tableName);
    s += " VALUES(";
    for (const Value& value : row) {
        if (const auto* bytes = std::get_if<Bytes>(&value); bytes && !bytes->empty()) {
            s += "0x";
            s += HexDigits(*bytes);
        } else {
            const std::string text = ValueText(value);
            if (text.empty()) {
                s += "NULL";
            } else {
                if (!IsAscii(text)) s += 'N';
                s += '\'';
                AppendDoublingQuotes(s, text);
                s += '\'';
            }
        }
        s += ", ";
    }
    if (!row.empty()) s.resize(s.size() - 2);
    s += ')';
    return s;
}

}  // namespace tess
