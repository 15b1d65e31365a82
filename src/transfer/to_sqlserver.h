#pragma once
// The direction Firebird to SQL Server: how its tables are read, named and written.
#include <memory>
#include <optional>

#include "transfer/structure_statements.h"
#include "transfer/table_copier.h"

namespace tess {

class SqlServerTableNames;

// `names` learns of every SQL Server table dropped or made (nullptr: none is recorded).
// `keys`: the source's structure is read and carried (the companion's --keys).
// `namesTaken`: the constraint names the run gave, kept by the run across new connections.
std::unique_ptr<TransferDirection> ToSqlServer(SqlServerTableNames* names, bool keys,
                                               std::optional<ConstraintNames>& namesTaken);

}  // namespace tess
