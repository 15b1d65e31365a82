#pragma once
// The narrow database interface that all logic goes through: connection objects that open with a
// login's settings, run one statement at a time, list the tables catalogue and open recordsets.
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/connection_settings.h"
#include "platform/value.h"

namespace tess {

// The driver's own codes of a failure, so that it can be told apart without reading its words.
struct DriverCodes {
    std::vector<std::string> sqlStates;  // ODBC: the SQLSTATE of each diagnostic record, in order
    std::vector<long> nativeErrors;      // ODBC: the native error number of each record
    std::vector<long> gdsCodes;          // Firebird: each error code of the status vector
};

// Base of every adapter's error; what() is the driver's own description, shown in the error report.
// `connectionLost` marks a failure after which the connection or the database can take no more
// (the link or the server gone, the disk full): every further statement would fail the same way.
// `timedOut` marks a call the driver gave up waiting for (ODBC's HYT00 and HYT01, Firebird's lock
// time-out). `cancelled` marks a call that gave up because cancel() asked it to (ODBC's HY008,
// Firebird's isc_cancelled). `endsTable` marks a failure that no further row of the statement's
// table would get past: the table missing or dropped, the right to write it gone, its transaction
// dead or out of time for a lock. `rowValues` marks a refusal of the row's own values (a data
// exception: truncation, overflow, a conversion; or a constraint: NOT NULL, a key, a check): the
// next row may well pass.
class DatabaseError : public std::runtime_error {
public:
    struct Details {
        bool connectionLost = false;
        bool timedOut = false;
        bool cancelled = false;
        bool endsTable = false;
        bool rowValues = false;
        DriverCodes codes;
    };
    explicit DatabaseError(const std::string& description, bool connectionLost = false)
        : std::runtime_error(description) {
        details_.connectionLost = connectionLost;
    }
    DatabaseError(const std::string& description, Details details)
        : std::runtime_error(description), details_(std::move(details)) {}
    bool connectionLost() const { return details_.connectionLost; }
    bool timedOut() const { return details_.timedOut; }
    bool cancelled() const { return details_.cancelled; }
    bool endsTable() const { return details_.endsTable; }
    bool rowValues() const { return details_.rowValues; }
    const DriverCodes& codes() const { return details_.codes; }
    const Details& details() const { return details_; }

private:
    Details details_;
};

enum AdoCursorLocation { kUseServer = 2, kUseClient = 3 };
enum AdoCursorType { kOpenForwardOnly = 0, kOpenStatic = 3 };
enum AdoLockType { kLockReadOnly = 1, kLockOptimistic = 3 };
// ADO's schema numbers of the catalogue calls: columns, indexes, tables, foreign keys, primary keys.
enum AdoSchema {
    kSchemaColumns = 4,
    kSchemaIndexes = 12,
    kSchemaTables = 20,
    kSchemaForeignKeys = 27,
    kSchemaPrimaryKeys = 28
};

struct FieldInfo {
    std::string name;
    int type = 0;  // ADO data-type number
    long long definedSize = 0;
    int precision = 0;
    int numericScale = 0;
};

// Positioned on its first row once opened; EOF when there is none left.
class Recordset {
public:
    virtual ~Recordset() = default;
    virtual int fieldCount() const = 0;
    virtual const FieldInfo& field(int index) const = 0;
    virtual const Value& value(int index) const = 0;
    // -1 when the provider cannot tell. Known before the first row is read.
    virtual long long recordCount() const = 0;
    virtual bool eof() const = 0;
    virtual void moveNext() = 0;
    virtual void close() = 0;
    // Asks a call of this recordset that is under way on another thread to give up: it then fails
    // soon, with the driver's words. Safe from any thread; does nothing when no call is under way
    // or the driver cannot cancel.
    virtual void cancel() noexcept {}

    // Catalogue rows are read by column name; throws when there is no such column.
    const Value& value(const std::string& fieldName) const;
    // The current row's values where the recordset holds them together, so that a copy reads them
    // in place; nothing where it does not.
    virtual const std::vector<Value>* currentRow() const { return nullptr; }
    // Moves the current row's values into `into` (its old values in their place) where the
    // recordset holds them together, so that a long value is not copied; its values are then
    // unspecified until moveNext. False, and nothing moved, where it does not.
    virtual bool takeCurrentRow(std::vector<Value>& into) {
        (void)into;
        return false;
    }
    // A column whose text was read by a guess at its code page (Firebird's NONE without a named
    // one); empty when none was.
    virtual std::string guessedColumn() const { return {}; }
};

// A statement with "?" markers, prepared once and run with one row of values after another. It may
// outlive its connection, and then refuses to run.
class PreparedStatement {
public:
    virtual ~PreparedStatement() = default;
    // The values of the markers, in order: null, text, binary or floating point.
    virtual void execute(const std::vector<Value>& parameters) = 0;
    // Several rows, at once where the driver takes arrays of values. When it throws, which of the
    // rows were written is unknown: the caller runs them in a transaction it can roll back.
    virtual void executeMany(const std::vector<std::vector<Value>>& rows) {
        for (const auto& row : rows) execute(row);
    }
};

class Connection {
public:
    virtual ~Connection() = default;
    virtual void setCursorLocation(int location) = 0;
    virtual void setCommandTimeout(int seconds) = 0;
    virtual void setConnectionTimeout(int seconds) = 0;
    virtual void open(const ConnectionSettings& settings) = 0;
    virtual void execute(const std::string& sql) = 0;
    // A statement with "?" markers and their values (text, binary and floating point): for values
    // too long to stand in the text, or that a literal would change.
    virtual void executeWith(const std::string& sql, const std::vector<Value>& parameters) = 0;
    // Statements run in one transaction from here until commitTransaction; without one, each
    // statement commits by itself. What a failing statement costs the open transaction is the
    // database's: Firebird undoes the statement alone; SQL Server may roll the whole transaction
    // back for some errors (a conversion error among them, with XACT_ABORT or in a batch).
    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    // Undoes what the open transaction did, and ends it.
    virtual void rollbackTransaction();
    // For the companion's bulk mode; an adapter that cannot prepare says so.
    virtual std::unique_ptr<PreparedStatement> prepare(const std::string& sql);
    // Rows with at least TABLE_NAME and TABLE_TYPE, as the driver's tables catalogue reports them.
    virtual std::unique_ptr<Recordset> openSchema(int schema) = 0;
    // One table's columns, indexes, foreign keys or primary key (kSchemaColumns, ...), as the
    // driver's catalogue calls report them, with ODBC's column names (COLUMN_NAME, KEY_SEQ,
    // INDEX_NAME, ...). `schemaName` empty: the table is looked for in any schema. An adapter
    // without such calls says so.
    virtual std::unique_ptr<Recordset> openCatalogue(int schema, const std::string& schemaName,
                                                     const std::string& table);
    virtual std::unique_ptr<Recordset> openRecordset(const std::string& query, int cursorType = kOpenForwardOnly,
                                                     int lockType = kLockReadOnly) = 0;
    // How many rows the query gives, asked of the database before they are read (a COUNT(*) over
    // it, while no other result is open); -1 when it cannot tell.
    virtual long long countRows(const std::string& query);
    // A query with "?" markers and their values, read forward only: names and numbers reach the
    // catalogue's queries as values, never spliced into their text. Its row count is not known.
    virtual std::unique_ptr<Recordset> openRecordsetWith(const std::string& query, const std::vector<Value>& parameters);
    virtual void close() = 0;
    // Asks whatever call of this connection, its recordsets or its prepared statements is under way
    // on another thread to give up: that call then fails soon with the driver's words, and the
    // connection stays usable. Safe from any thread while the connection is open; nothing when no
    // call is under way.
    virtual void cancel() noexcept = 0;
    // Gives the connection up at once, from another thread, for a server that no longer answers
    // and so never reads a cancel: the call under way fails, and so does every later one. Where
    // the driver has no such way, it cancels.
    virtual void abandon() noexcept { cancel(); }
};

// Creates new, closed connection objects; which database a connection reaches follows from its login.
class Database {
public:
    virtual ~Database() = default;
    virtual std::unique_ptr<Connection> createConnection() = 0;
};

}  // namespace tess
