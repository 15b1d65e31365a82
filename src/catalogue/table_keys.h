#pragma once
// The columns that name a table's rows: its primary key, else its first unique key, as the
// database's catalogue records them.
#include <string>
#include <utility>
#include <vector>

namespace tess {

class Connection;

// In key order; empty when the table has no key, or the catalogue cannot be read (SQLite standing
// in for SQL Server has no INFORMATION_SCHEMA).
std::vector<std::string> FirebirdKeyColumns(Connection& connection, const std::string& table);
// `schema` empty: the user's default schema.
std::vector<std::string> SqlServerKeyColumns(Connection& connection, const std::string& schema,
                                             const std::string& table);

// Each foreign key's table and the table it refers to, by name ("schema.table" on the SQL Server
// side); empty when the catalogue cannot be read.
using ForeignKeyPairs = std::vector<std::pair<std::string, std::string>>;
ForeignKeyPairs FirebirdForeignKeyPairs(Connection& connection);
ForeignKeyPairs SqlServerForeignKeyPairs(Connection& connection);

// The table's array columns, by the catalogue; empty when it has none or cannot be read.
std::vector<std::string> FirebirdArrayColumns(Connection& connection, const std::string& table);

}  // namespace tess
