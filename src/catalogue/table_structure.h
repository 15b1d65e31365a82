#pragma once
// What makes a copied table usable besides its rows: NOT NULL, keys, indexes, foreign keys, the
// identity column and simple defaults, as the source's catalogue records them, with what cannot be
// carried named so that it is never dropped silently.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tess {

class Connection;

// A primary key or unique constraint. An empty name is one the database made up for itself
// (Firebird's INTEG_n, SQL Server's PK__…): the target then names it its own way.
struct KeyDefinition {
    std::string name;
    std::vector<std::string> columns;
};

struct IndexDefinition {
    std::string name;
    bool unique = false;
    bool descending = false;  // the whole index: Firebird has no direction per column
    std::vector<std::string> columns;
};

// ON UPDATE and ON DELETE as SQL words: "CASCADE", "SET NULL", "SET DEFAULT", "NO ACTION".
struct ForeignKeyDefinition {
    std::string name;
    std::vector<std::string> columns;
    std::string referencedTable;  // as the target names it: the table's name without its schema
    std::vector<std::string> referencedColumns;
    std::string onUpdate = "NO ACTION", onDelete = "NO ACTION";
};

// A default both sides take: a number, a quoted text, or the moment of the insert.
struct DefaultValue {
    enum Kind { kNumber, kText, kCurrentTimestamp, kCurrentDate } kind = kNumber;
    std::string text;  // the number's digits, or the text itself (unquoted)
};

struct TableStructure {
    std::vector<std::string> notNull;  // columns, in the table's order
    std::optional<KeyDefinition> primaryKey;
    std::vector<KeyDefinition> uniques;
    std::vector<IndexDefinition> indexes;  // those no key stands behind
    std::vector<ForeignKeyDefinition> foreignKeys;
    std::string identity;  // the column the database numbers itself; empty: none
    std::map<std::string, DefaultValue> defaults;
    // Each in words, e.g. "CHECK constraint INTEG_12", "trigger SET_CUST_NO"; in the source's order.
    std::vector<std::string> notCarried;

    // Whether a key or an index takes the column: such a column needs a type the target can index.
    bool indexesColumn(const std::string& column) const;
};

// Through Firebird's RDB$ tables. An identity is a Firebird 3 identity column, or a column that a
// BEFORE INSERT trigger fills from a generator (NEW.X = GEN_ID(G, 1), or NEXT VALUE FOR G).
TableStructure ReadFirebirdStructure(Connection& firebird, const std::string& table);
// Through ODBC's catalogue calls (SQLColumns, SQLPrimaryKeys, SQLStatistics, SQLForeignKeys), which
// every driver answers; what they cannot tell (CHECK constraints, computed columns, triggers) from
// SQL Server's own views where it can. `schema` empty: the user's default schema.
TableStructure ReadSqlServerStructure(Connection& sqlServer, const std::string& schema, const std::string& table);

// A default as a catalogue spells it ("DEFAULT 'new'", "((0))", "(getdate())", "'NOW'"); nothing
// for an expression, or for NULL (which is what no default gives anyway).
std::optional<DefaultValue> ParseDefault(const std::string& source);
// "DEFAULT NULL", "(NULL)": a default that says no more than none.
bool IsNullDefault(const std::string& source);

}  // namespace tess
