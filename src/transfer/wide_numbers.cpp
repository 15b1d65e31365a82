#include "transfer/wide_numbers.h"

#include <variant>
#include <vector>

#include "common/sql_literal.h"
#include "platform/database.h"
#include "transfer/identifiers.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

std::vector<std::string> WideColumns(Connection& sqlServer, const std::string& schema, const std::string& table,
                                     int digits, bool withBigint) {
    std::vector<Value> names{table};
    if (!schema.empty()) names.insert(names.begin(), schema);
    auto rows = sqlServer.openRecordsetWith(
        "SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_SCHEMA = " +
        std::string(schema.empty() ? "SCHEMA_NAME()" : "?") + " AND TABLE_NAME = ? AND DATA_TYPE IN ('decimal', 'numeric', 'money'" +
        (withBigint ? ", 'bigint') " : ") ") +
        "AND NUMERIC_PRECISION > " + std::to_string(digits) + " ORDER BY ORDINAL_POSITION",
        names);
    std::vector<std::string> columns;
    for (; !rows->eof(); rows->moveNext())
        if (const auto* name = std::get_if<std::string>(&rows->value(0))) columns.push_back(*name);
    rows->close();
    return columns;
}

}  // namespace

int WholeDigits(const std::string& plainDecimal) {
    const size_t start = plainDecimal.find_first_not_of("-+0");
    if (start == std::string::npos || plainDecimal[start] == '.') return 0;
    const size_t point = plainDecimal.find('.', start);
    return static_cast<int>((point == std::string::npos ? plainDecimal.size() : point) - start);
}

std::map<std::string, int> MeasureWideNumbers(Connection& sqlServer, const std::string& schema,
                                              const std::string& table, const std::string& quotedTable, int digits,
                                              bool withBigint) {
    std::map<std::string, int> measured;
    try {
        const std::vector<std::string> columns = WideColumns(sqlServer, schema, table, digits, withBigint);
        if (columns.empty()) return measured;
        std::string query = "SELECT ";
        for (const std::string& c : columns) query += "MAX(ABS(" + SqlServerName(c) + ")), ";
        query.resize(query.size() - 2);
        auto rows = sqlServer.openRecordset(query + " FROM " + quotedTable);
        for (size_t i = 0; i < columns.size() && !rows->eof(); ++i)
            measured[columns[i]] = WholeDigits(ValueText(rows->value(static_cast<int>(i))));
        rows->close();
    } catch (const DatabaseError&) {
        measured.clear();
    }
    return measured;
}

}  // namespace tess
