#pragma once
// Fills the two table lists from the databases' catalogues. No trap of their own: a failure
// reaches the calling handler's.
#include "connect/logins.h"

namespace tess {

class Database;
class TableList;
class Toolkit;
class SqlServerTableNames;

// With `names`, tables of every schema are listed and recorded there; without, a table of another
// schema is listed by its bare name, as the catalogue rows alone give it.
void ListSqlServerTables(Database& database, const SqlServerLogin& login, TableList& list, Toolkit& toolkit,
                         SqlServerTableNames* names = nullptr);
void ListFirebirdTables(Database& database, const FirebirdLogin& login, TableList& list);

// The filters, on their own: which catalogue rows become list entries.
bool IsListedSqlServerTable(const std::string& tableName, const std::string& tableType);
bool IsListedFirebirdTable(const std::string& tableName);

}  // namespace tess
