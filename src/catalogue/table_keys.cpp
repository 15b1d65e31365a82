#include "catalogue/table_keys.h"

#include <variant>

#include "common/sql_literal.h"
#include "platform/database.h"

namespace tess {
namespace {

// The first column holds the column's name, the second the key's name; the rows come ordered with
// the chosen key first.
std::vector<std::string> FirstKey(Connection& connection, const std::string& query,
                                  const std::vector<Value>& names) {
    std::vector<std::string> columns;
    try {
        auto rows = connection.openRecordsetWith(query, names);
        std::string key;
        for (; !rows->eof(); rows->moveNext()) {
            const auto* column = std::get_if<std::string>(&rows->value(0));
            const auto* name = std::get_if<std::string>(&rows->value(1));
            if (!column || !name) break;
            if (columns.empty()) key = *name;
            if (*name != key) break;
            columns.push_back(*column);
        }
        rows->close();
    } catch (const DatabaseError&) {
        return {};
    }
    return columns;
}

}  // namespace

// Names go to the catalogue as values, their markers cast wider than any name (see ReadFirebirdStructure).
std::vector<std::string> FirebirdKeyColumns(Connection& connection, const std::string& table) {
    return FirstKey(connection,
                    "SELECT TRIM(S.RDB$FIELD_NAME), TRIM(C.RDB$CONSTRAINT_NAME) FROM RDB$RELATION_CONSTRAINTS C "
                    "JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME "
                    "WHERE C.RDB$RELATION_NAME = CAST(? AS VARCHAR(252)) AND C.RDB$CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE') "
                    "ORDER BY C.RDB$CONSTRAINT_TYPE, C.RDB$CONSTRAINT_NAME, S.RDB$FIELD_POSITION",
                    {table});
}

namespace {

ForeignKeyPairs Pairs(Connection& connection, const std::string& query) {
    ForeignKeyPairs pairs;
    try {
        auto rows = connection.openRecordset(query);
        for (; !rows->eof(); rows->moveNext())
            pairs.emplace_back(TextOrEmpty(rows->value(0)), TextOrEmpty(rows->value(1)));
        rows->close();
    } catch (const DatabaseError&) {
        return {};
    }
    return pairs;
}

}  // namespace

ForeignKeyPairs FirebirdForeignKeyPairs(Connection& connection) {
    return Pairs(connection,
                 "SELECT TRIM(C.RDB$RELATION_NAME), TRIM(P.RDB$RELATION_NAME) FROM RDB$RELATION_CONSTRAINTS C "
                 "JOIN RDB$REF_CONSTRAINTS R ON R.RDB$CONSTRAINT_NAME = C.RDB$CONSTRAINT_NAME "
                 "JOIN RDB$RELATION_CONSTRAINTS P ON P.RDB$CONSTRAINT_NAME = R.RDB$CONST_NAME_UQ "
                 "WHERE C.RDB$CONSTRAINT_TYPE = 'FOREIGN KEY'");
}

ForeignKeyPairs SqlServerForeignKeyPairs(Connection& connection) {
    return Pairs(connection,
                 "SELECT C.TABLE_SCHEMA + N'.' + C.TABLE_NAME, P.TABLE_SCHEMA + N'.' + P.TABLE_NAME "
                 "FROM INFORMATION_SCHEMA.REFERENTIAL_CONSTRAINTS R "
                 "JOIN INFORMATION_SCHEMA.TABLE_CONSTRAINTS C ON C.CONSTRAINT_SCHEMA = R.CONSTRAINT_SCHEMA "
                 "AND C.CONSTRAINT_NAME = R.CONSTRAINT_NAME "
                 "JOIN INFORMATION_SCHEMA.TABLE_CONSTRAINTS P ON P.CONSTRAINT_SCHEMA = R.UNIQUE_CONSTRAINT_SCHEMA "
                 "AND P.CONSTRAINT_NAME = R.UNIQUE_CONSTRAINT_NAME");
}

std::vector<std::string> FirebirdArrayColumns(Connection& connection, const std::string& table) {
    std::vector<std::string> columns;
    try {
        auto rows = connection.openRecordsetWith(
            "SELECT TRIM(RF.RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F "
            "ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE WHERE RF.RDB$RELATION_NAME = CAST(? AS VARCHAR(252)) AND F.RDB$DIMENSIONS > 0",
            {table});
        for (; !rows->eof(); rows->moveNext())
            if (const auto* name = std::get_if<std::string>(&rows->value(0))) columns.push_back(*name);
        rows->close();
    } catch (const DatabaseError&) {
        return {};
    }
    return columns;
}

std::vector<std::string> SqlServerKeyColumns(Connection& connection, const std::string& schema,
                                             const std::string& table) {
    std::vector<Value> names{table};
    if (!schema.empty()) names.insert(names.begin(), schema);
    return FirstKey(connection,
                    "SELECT K.COLUMN_NAME, T.CONSTRAINT_NAME FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS T "
                    "JOIN INFORMATION_SCHEMA.KEY_COLUMN_USAGE K ON K.CONSTRAINT_SCHEMA = T.CONSTRAINT_SCHEMA "
                    "AND K.CONSTRAINT_NAME = T.CONSTRAINT_NAME "
                    "WHERE T.TABLE_SCHEMA = " + std::string(schema.empty() ? "SCHEMA_NAME()" : "?") +
                        " AND T.TABLE_NAME = ? AND T.CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE') "
                        "ORDER BY CASE T.CONSTRAINT_TYPE WHEN 'PRIMARY KEY' THEN 0 ELSE 1 END, T.CONSTRAINT_NAME, "
                        "K.ORDINAL_POSITION",
                    names);
}

}  // namespace tess
