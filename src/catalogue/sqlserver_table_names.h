#pragma once
// Which schema each SQL Server list entry names. The catalogue lists the tables of every schema.
// A table of the user's default schema is listed by its bare name, as always; a table of another
// schema as "schema.table", so that two tables of one name can be told apart. Only this record can
// tell such an entry from a default-schema table whose own name holds a dot, so every statement
// that names a SQL Server table asks it.
#include <map>
#include <string>

namespace tess {

struct SqlServerTable {
    std::string schema;  // empty: the user's default schema
    std::string name;
};

class SqlServerTableNames {
public:
    void clear() { others_.clear(); }
    // Records a listed table and gives its entry text.
    std::string listed(const std::string& schema, const std::string& table, const std::string& defaultSchema);
    // The table an entry names; an entry not listed from another schema is a default-schema table.
    SqlServerTable tableOf(const std::string& entry) const;
    // After a rename: the new entry text, in the same schema.
    std::string renamed(const std::string& oldEntry, const std::string& newName);
    void removed(const std::string& entry) { others_.erase(entry); }
    // "schema.table" for every entry, the default schema named too once a listing has said it.
    std::string qualified(const std::string& entry) const;

private:
    std::map<std::string, SqlServerTable> others_;  // by entry text
    std::string defaultSchema_;
};

// "[schema].[table]", or "[table]" for a default-schema table, each part escaped. Without a record
// (nullptr) every entry is a default-schema table.
std::string SqlServerObjectName(const SqlServerTableNames* names, const std::string& entry);
SqlServerTable SqlServerTableOf(const SqlServerTableNames* names, const std::string& entry);

}  // namespace tess
