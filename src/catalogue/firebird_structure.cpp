#include <functional>
#include <variant>

#include "catalogue/name_patterns.h"
#include "catalogue/table_structure.h"
#include "common/sql_literal.h"
#include "platform/database.h"

namespace tess {
namespace {

using Row = std::function<void(const Recordset&)>;

// `relation` goes to the query's one "?" as a value. The marker is cast wider than any name: the
// engine would give it the catalogue column's length and refuse a longer name as truncated, where
// such a name is simply no table.
void EachRow(Connection& firebird, const std::string& relation, const std::string& query, const Row& row) {
    auto rows = firebird.openRecordsetWith(query, {relation});
    for (; !rows->eof(); rows->moveNext()) row(*rows);
    rows->close();
}

long long Number(const Value& value) {
    const auto* n = std::get_if<std::int64_t>(&value);
    return n ? *n : 0;
}

// Names the engine made up for itself; the target makes up its own.
std::string OwnName(const std::string& name) { return IsMadeUpFirebirdName(name) ? std::string() : name; }

std::string Rule(const std::string& firebirdRule) {
    // Firebird's RESTRICT refuses at once what NO ACTION refuses at the statement's end; with
    // no deferred checking on either side, they refuse the same changes.
    return firebirdRule == "RESTRICT" || firebirdRule.empty() ? "NO ACTION" : firebirdRule;
}

// Columns: NOT NULL (the column's own, or its domain's), defaults, computed columns and a
// Firebird 3 identity. The identity column is asked for apart: older engines lack it.
void ReadColumns(Connection& firebird, const std::string& relation, TableStructure& s) {
    EachRow(firebird, relation,
            "SELECT TRIM(RF.RDB$FIELD_NAME), COALESCE(RF.RDB$NULL_FLAG, F.RDB$NULL_FLAG, 0), "
            "COALESCE(RF.RDB$DEFAULT_SOURCE, F.RDB$DEFAULT_SOURCE), F.RDB$COMPUTED_SOURCE, "
            "TRIM(RF.RDB$FIELD_SOURCE), F.RDB$VALIDATION_SOURCE "
            "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
            "WHERE RF.RDB$RELATION_NAME = CAST(? AS VARCHAR(252)) ORDER BY RF.RDB$FIELD_POSITION",
            [&s](const Recordset& r) {
                const std::string column = TextOrEmpty(r.value(0));
                const std::string defaultSource = TextOrEmpty(r.value(2));
                if (!IsNull(r.value(3))) {
                    s.notCarried.push_back("computed column " + column + " (its values are copied)");
                    return;
                }
                // A domain is carried as what it gives the column: its type, NOT NULL and default.
                if (!IsNull(r.value(5)))
                    s.notCarried.push_back("CHECK of domain " + TextOrEmpty(r.value(4)) + " on " + column);
                if (Number(r.value(1))) s.notNull.push_back(column);
                if (defaultSource.empty()) return;
                if (auto parsed = ParseDefault(defaultSource)) s.defaults[column] = *parsed;
                else if (!IsNullDefault(defaultSource)) s.notCarried.push_back("default of " + column + " (" + defaultSource + ")");
            });
    try {
        EachRow(firebird, relation,
                "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = CAST(? AS VARCHAR(252)) "
                "AND RDB$IDENTITY_TYPE IS NOT NULL",
                [&s](const Recordset& r) { s.identity = TextOrEmpty(r.value(0)); });
    } catch (const DatabaseError&) {
        // an engine before Firebird 3: no identity columns
    }
}

// Primary key, unique constraints and CHECK constraints, with their columns in key order.
void ReadConstraints(Connection& firebird, const std::string& relation, TableStructure& s) {
    EachRow(firebird, relation,
            "SELECT TRIM(C.RDB$CONSTRAINT_NAME), TRIM(C.RDB$CONSTRAINT_TYPE), TRIM(S.RDB$FIELD_NAME) "
            "FROM RDB$RELATION_CONSTRAINTS C LEFT JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME "
            "WHERE C.RDB$RELATION_NAME = CAST(? AS VARCHAR(252)) AND C.RDB$CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE', 'CHECK') "
            "ORDER BY C.RDB$CONSTRAINT_NAME, S.RDB$FIELD_POSITION",
            [&s, last = std::string()](const Recordset& r) mutable {
                const std::string name = TextOrEmpty(r.value(0)), type = TextOrEmpty(r.value(1));
                const bool next = name != last;
                last = name;
                if (type == "CHECK") {
                    if (next) s.notCarried.push_back("CHECK constraint " + name);
                    return;
                }
                if (type == "PRIMARY KEY") {
                    if (!s.primaryKey) s.primaryKey = KeyDefinition{OwnName(name), {}};
                    s.primaryKey->columns.push_back(TextOrEmpty(r.value(2)));
                } else if (type == "UNIQUE") {
                    if (next || s.uniques.empty()) s.uniques.push_back(KeyDefinition{OwnName(name), {}});
                    s.uniques.back().columns.push_back(TextOrEmpty(r.value(2)));
                }
            });
}

void ReadForeignKeys(Connection& firebird, const std::string& relation, TableStructure& s) {
    EachRow(firebird, relation,
            "SELECT TRIM(C.RDB$CONSTRAINT_NAME), TRIM(S.RDB$FIELD_NAME), TRIM(P.RDB$RELATION_NAME), "
            "TRIM(PS.RDB$FIELD_NAME), TRIM(R.RDB$UPDATE_RULE), TRIM(R.RDB$DELETE_RULE) "
            "FROM RDB$RELATION_CONSTRAINTS C "
            "JOIN RDB$REF_CONSTRAINTS R ON R.RDB$CONSTRAINT_NAME = C.RDB$CONSTRAINT_NAME "
            "JOIN RDB$RELATION_CONSTRAINTS P ON P.RDB$CONSTRAINT_NAME = R.RDB$CONST_NAME_UQ "
            "JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME "
            "JOIN RDB$INDEX_SEGMENTS PS ON PS.RDB$INDEX_NAME = P.RDB$INDEX_NAME "
            "AND PS.RDB$FIELD_POSITION = S.RDB$FIELD_POSITION "
            "WHERE C.RDB$RELATION_NAME = CAST(? AS VARCHAR(252)) AND C.RDB$CONSTRAINT_TYPE = 'FOREIGN KEY' "
            "ORDER BY C.RDB$CONSTRAINT_NAME, S.RDB$FIELD_POSITION",
            [&s, last = std::string()](const Recordset& r) mutable {
                const std::string name = TextOrEmpty(r.value(0));
                if (name != last || s.foreignKeys.empty())
                    s.foreignKeys.push_back({OwnName(name), {}, TextOrEmpty(r.value(2)), {},
                                             Rule(TextOrEmpty(r.value(4))), Rule(TextOrEmpty(r.value(5)))});
                last = name;
                s.foreignKeys.back().columns.push_back(TextOrEmpty(r.value(1)));
                s.foreignKeys.back().referencedColumns.push_back(TextOrEmpty(r.value(3)));
            });
}

// Indexes of their own, not those behind a key; an index on an expression is not carried.
void ReadIndexes(Connection& firebird, const std::string& relation, TableStructure& s) {
    EachRow(firebird, relation,
            "SELECT TRIM(I.RDB$INDEX_NAME), COALESCE(I.RDB$UNIQUE_FLAG, 0), COALESCE(I.RDB$INDEX_TYPE, 0), "
            "I.RDB$EXPRESSION_SOURCE, TRIM(S.RDB$FIELD_NAME) "
            "FROM RDB$INDICES I LEFT JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME "
            "WHERE I.RDB$RELATION_NAME = CAST(? AS VARCHAR(252)) AND NOT EXISTS (SELECT 1 FROM RDB$RELATION_CONSTRAINTS C "
            "WHERE C.RDB$INDEX_NAME = I.RDB$INDEX_NAME) ORDER BY I.RDB$INDEX_NAME, S.RDB$FIELD_POSITION",
            [&s, last = std::string()](const Recordset& r) mutable {
                const std::string name = TextOrEmpty(r.value(0));
                const bool next = name != last;
                last = name;
                if (!IsNull(r.value(3))) {
                    if (next) s.notCarried.push_back("index " + name + " on an expression");
                    return;
                }
                if (next || s.indexes.empty()) s.indexes.push_back({name, Number(r.value(1)) != 0, Number(r.value(2)) == 1, {}});
                s.indexes.back().columns.push_back(TextOrEmpty(r.value(4)));
            });
}

// Triggers are not carried, except the BEFORE INSERT trigger that numbers a column from a
// generator, which becomes the target's identity.
void ReadTriggers(Connection& firebird, const std::string& relation, TableStructure& s) {
    EachRow(firebird, relation,
            "SELECT TRIM(T.RDB$TRIGGER_NAME), T.RDB$TRIGGER_TYPE, T.RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS T "
            "WHERE T.RDB$RELATION_NAME = CAST(? AS VARCHAR(252)) AND COALESCE(T.RDB$SYSTEM_FLAG, 0) = 0 "
            "AND NOT EXISTS (SELECT 1 FROM RDB$CHECK_CONSTRAINTS K WHERE K.RDB$TRIGGER_NAME = T.RDB$TRIGGER_NAME) "
            "ORDER BY T.RDB$TRIGGER_NAME",
            [&s](const Recordset& r) {
                const std::string name = TextOrEmpty(r.value(0)), source = TextOrEmpty(r.value(2));
                if (Number(r.value(1)) == 1 && s.identity.empty())
                    if (auto column = GeneratorFedColumn(source)) {
                        s.identity = *column;
                        return;
                    }
                s.notCarried.push_back("trigger " + name);
            });
}

}  // namespace

TableStructure ReadFirebirdStructure(Connection& firebird, const std::string& table) {
    const std::string& relation = table;
    TableStructure s;
    EachRow(firebird, relation, "SELECT 1 FROM RDB$RELATIONS WHERE RDB$VIEW_BLR IS NOT NULL AND RDB$RELATION_NAME = CAST(? AS VARCHAR(252))",
            [&s](const Recordset&) { s.notCarried.push_back("the view itself (its rows are copied as a table)"); });
    ReadColumns(firebird, relation, s);
    ReadConstraints(firebird, relation, s);
    ReadForeignKeys(firebird, relation, s);
    ReadIndexes(firebird, relation, s);
    ReadTriggers(firebird, relation, s);
    return s;
}

}  // namespace tess
