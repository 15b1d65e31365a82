#pragma once
// The direction SQL Server to Firebird: how its tables are read, named and written.
#include <memory>
#include <optional>

#include "transfer/structure_statements.h"
#include "transfer/table_copier.h"

namespace tess {

class SqlServerTableNames;

// The row INSERTs of a table run in one transaction, committed this often and at the table's end:
// committing every row costs thirty times the time.
inline constexpr long long kFirebirdRowsPerCommit = 10000;
// With the companion's --bulk, where each row costs a tenth as much, commits come as seldom.
inline constexpr long long kFirebirdBulkRowsPerCommit = 100000;

// `firebird` is asked for its default character set once; `names` tells which schema each SQL
// Server entry names (nullptr: the default schema).
// `keys`: the source's structure is read and carried (the companion's --keys).
// `namesTaken`: the constraint names the run gave, kept by the run across new connections.
std::unique_ptr<TransferDirection> ToFirebird(Connection* firebird, const SqlServerTableNames* names, bool keys,
                                              std::optional<ConstraintNames>& namesTaken);

}  // namespace tess
