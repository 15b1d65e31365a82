#include <algorithm>
#include <variant>

#include "catalogue/name_patterns.h"
#include "catalogue/table_structure.h"
#include "common/text_case.h"
#include "platform/database.h"

namespace tess {
namespace {

long long Number(const Value& value) {
    const auto* n = std::get_if<std::int64_t>(&value);
    return n ? *n : 0;
}

// Names the server made up for itself (PK__ORDERS__3214EC07…), or SQLite standing in for it
// (sqlite_autoindex_…): the target makes up its own.
std::string OwnName(const std::string& name) { return IsMadeUpSqlServerName(name) ? std::string() : name; }

// SQLForeignKeys' rule numbers (SQL_CASCADE 0, SQL_RESTRICT 1, SQL_SET_NULL 2, SQL_NO_ACTION 3,
// SQL_SET_DEFAULT 4).
std::string Rule(const Value& value) {
    switch (Number(value)) {
        case 0: return "CASCADE";
        case 2: return "SET NULL";
        case 4: return "SET DEFAULT";
        default: return "NO ACTION";
    }
}

template <class Each>
void EachRow(std::unique_ptr<Recordset> rows, Each each) {
    for (; !rows->eof(); rows->moveNext()) each(*rows);
    rows->close();
}

// SQL Server's drivers name an identity column's type "int identity".
void ReadColumns(Connection& c, const std::string& schema, const std::string& table, TableStructure& s) {
    EachRow(c.openCatalogue(kSchemaColumns, schema, table), [&s](const Recordset& r) {
        const std::string column = TextOrEmpty(r.value("COLUMN_NAME"));
        if (LowerCase(TextOrEmpty(r.value("TYPE_NAME"))).find("identity") != std::string::npos) s.identity = column;
        if (!IsNull(r.value("NULLABLE")) && Number(r.value("NULLABLE")) == 0) s.notNull.push_back(column);
        const std::string defaultSource = TextOrEmpty(r.value("COLUMN_DEF"));
        if (defaultSource.empty()) return;
        if (auto parsed = ParseDefault(defaultSource)) s.defaults[column] = *parsed;
        else if (!IsNullDefault(defaultSource)) s.notCarried.push_back("default of " + column + " (" + defaultSource + ")");
    });
}

void ReadPrimaryKey(Connection& c, const std::string& schema, const std::string& table, TableStructure& s) {
    std::vector<std::pair<long long, std::string>> columns;
    std::string name;
    EachRow(c.openCatalogue(kSchemaPrimaryKeys, schema, table), [&](const Recordset& r) {
        columns.emplace_back(Number(r.value("KEY_SEQ")), TextOrEmpty(r.value("COLUMN_NAME")));
        name = TextOrEmpty(r.value("PK_NAME"));
    });
    if (columns.empty()) return;
    std::sort(columns.begin(), columns.end());
    s.primaryKey = KeyDefinition{OwnName(name), {}};
    for (auto& column : columns) s.primaryKey->columns.push_back(std::move(column.second));
}

// A unique index on ascending columns is taken for a unique constraint: ODBC does not tell them
// apart, and a foreign key can refer to a constraint on either side, to an index only on SQL
// Server's. The primary key's own index is the key's.
void ReadIndexes(Connection& c, const std::string& schema, const std::string& table, TableStructure& s) {
    std::vector<IndexDefinition> found;
    EachRow(c.openCatalogue(kSchemaIndexes, schema, table), [&found](const Recordset& r) {
        if (Number(r.value("TYPE")) == 0 || IsNull(r.value("INDEX_NAME"))) return;  // the table's statistics
        const std::string name = TextOrEmpty(r.value("INDEX_NAME"));
        if (found.empty() || found.back().name != name || Number(r.value("ORDINAL_POSITION")) == 1)
            found.push_back({name, Number(r.value("NON_UNIQUE")) == 0, TextOrEmpty(r.value("ASC_OR_DESC")) == "D", {}});
        found.back().columns.push_back(TextOrEmpty(r.value("COLUMN_NAME")));
    });
    for (auto& index : found) {
        if (s.primaryKey && index.unique && index.columns == s.primaryKey->columns) continue;
        if (index.unique && !index.descending) s.uniques.push_back({OwnName(index.name), std::move(index.columns)});
        else if (!OwnName(index.name).empty()) s.indexes.push_back(std::move(index));
    }
}

void ReadForeignKeys(Connection& c, const std::string& schema, const std::string& table, TableStructure& s) {
    EachRow(c.openCatalogue(kSchemaForeignKeys, schema, table), [&s](const Recordset& r) {
        if (Number(r.value("KEY_SEQ")) <= 1 || s.foreignKeys.empty())
            s.foreignKeys.push_back({OwnName(TextOrEmpty(r.value("FK_NAME"))), {}, TextOrEmpty(r.value("PKTABLE_NAME")),
                                     {}, Rule(r.value("UPDATE_RULE")), Rule(r.value("DELETE_RULE"))});
        s.foreignKeys.back().columns.push_back(TextOrEmpty(r.value("FKCOLUMN_NAME")));
        s.foreignKeys.back().referencedColumns.push_back(TextOrEmpty(r.value("PKCOLUMN_NAME")));
    });
}

std::string Bracketed(const std::string& name) {
    std::string out = "[";
    for (char ch : name) out += ch == ']' ? std::string("]]") : std::string(1, ch);
    return out + "]";
}

// What no catalogue call tells, from SQL Server's own views; said when they cannot be read.
void ReadWhatIsNotCarried(Connection& c, const std::string& schema, const std::string& table, TableStructure& s) {
    const std::string object = (schema.empty() ? "" : Bracketed(schema) + ".") + Bracketed(table);
    try {
        EachRow(c.openRecordsetWith("SELECT N'CHECK constraint ' + name FROM sys.check_constraints WHERE "
                                    "parent_object_id = OBJECT_ID(?) UNION ALL SELECT N'computed column ' + name + "
                                    "N' (its values are copied)' FROM sys.computed_columns WHERE object_id = "
                                    "OBJECT_ID(?) UNION ALL SELECT N'trigger ' + name FROM sys.triggers WHERE "
                                    "parent_id = OBJECT_ID(?) UNION ALL SELECT N'the view itself (its rows are copied "
                                    "as a table)' FROM sys.views WHERE object_id = OBJECT_ID(?)",
                                    {object, object, object, object}),
                [&s](const Recordset& r) { s.notCarried.push_back(TextOrEmpty(r.value(0))); });
    } catch (const DatabaseError&) {
        s.notCarried.push_back("CHECK constraints, computed columns and triggers, which the source cannot list");
    }
}

}  // namespace

TableStructure ReadSqlServerStructure(Connection& sqlServer, const std::string& schema, const std::string& table) {
    TableStructure s;
    ReadColumns(sqlServer, schema, table, s);
    ReadPrimaryKey(sqlServer, schema, table, s);
    ReadIndexes(sqlServer, schema, table, s);
    ReadForeignKeys(sqlServer, schema, table, s);
    ReadWhatIsNotCarried(sqlServer, schema, table, s);
    return s;
}

}  // namespace tess
