#pragma once
// The direction Firebird to SQL Server: how its tables are read, named and written, and the step
// numbers of "Send Table/s To SQL Server", which both programs' reports carry.
#include <memory>

#include "transfer/table_copier.h"

namespace tess {

class SqlServerTableNames;

// The steps of each table, in the numbering of "Send Table/s To SQL Server".
inline constexpr TableSteps kToSqlServerSteps{
    .selected = 132, .name = 134, .listed = 136, .ask = 138, .openSource = 150, .drop = 146, .unlist = 148,
    .columns = 158, .create = 210, .count = 218, .begin = 0, .eof = 220, .commitBatch = 0, .progress = 224,
    .readRow = 232, .insert = 250, .moveNext = 252, .commit = 0, .resetProgress = 256, .closeSource = 258,
    .addToList = 260};

// `names` learns of every SQL Server table dropped or made (nullptr: none is recorded).
// `keys`: the source's structure is read and carried (the companion's --keys).
std::unique_ptr<TransferDirection> ToSqlServer(SqlServerTableNames* names, bool keys = false);

}  // namespace tess
