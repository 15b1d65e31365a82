#pragma once
// The road that both send handlers travel for every selected table: the overwrite question, the
// source opened before anything is dropped, the drop, the CREATE, the rows with their progress and
// the list updates. What differs between the directions is handed in as a small description.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transfer/source_column.h"
#include "transfer/statement.h"
#include "transfer/tables_window_controls.h"

namespace tess {

class Connection;
class ErrorTrap;
class Recordset;
class TableList;
class Toolkit;

// The step numbers of one table, as the handler numbers them; 0 for a step the direction lacks.
struct TableSteps {
    int selected, name, listed, ask, openSource, drop, unlist, columns, create;
    int count, begin, eof, commitBatch, progress, readRow, insert, moveNext, commit;
    int resetProgress, closeSource, addToList;
};

// How one direction reads, names and writes its tables.
class TransferDirection {
public:
    virtual ~TransferDirection() = default;
    virtual std::unique_ptr<Recordset> openSource(Connection& source, const std::string& entry) const = 0;
    // The name the copy gets in the target: the source entry's own table name.
    virtual std::string targetName(const std::string& entry) const { return entry; }
    // Told when a target entry leaves the list or a new one joins it.
    virtual void targetListChanged(const std::string& /*entry*/) {}
    virtual std::string dropStatement(const std::string& listedName) const = 0;
    // Called once a table, before its rows: the CREATE text; it may keep what the rows need.
    virtual std::string createStatement(const std::string& table, const std::vector<SourceColumn>& columns) = 0;
    virtual Statement insertStatement(const std::string& table, const std::vector<Value>& row) const = 0;
    // Rows run in one transaction committed this often and at the table's end; 0 keeps autocommit.
    virtual long long rowsPerCommit() const = 0;
    // The companion's bulk mode: one INSERT prepared per table and each row's values for it.
    virtual std::string bulkStatement(const std::string& table, size_t columns) const = 0;
    virtual std::vector<Value> bulkValues(const std::vector<Value>& row) const = 0;
    // Rows that bulk mode writes in a transaction of their own, rolled back and written again one
    // by one when one of them fails; 0: the rows follow rowsPerCommit.
    virtual size_t bulkBatch() const { return 0; }
};

struct TransferRoad {
    ErrorTrap& trap;
    Toolkit& toolkit;
    const TablesWindowControls& controls;
    TableList& sourceList;
    TableList& targetList;
    Connection* source;
    Connection* target;
    bool targetOpen;
};

// Sends every selected entry of the source list, the last entry first.
void TransferSelectedTables(const TransferRoad& road, const TableSteps& steps, TransferDirection& direction);

}  // namespace tess
