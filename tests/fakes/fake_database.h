#pragma once
// An in-memory database for the logic tests: records every call in order, serves the catalogue
// and result sets it is given, and fails any call whose log line starts with a chosen text.
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "platform/database.h"

namespace tess {

class FakeDatabaseError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};

struct FakeResult {
    std::vector<FieldInfo> fields;
    std::vector<std::vector<Value>> rows;
    long long recordCount = -2;  // -2: the number of rows
    std::vector<size_t> unreadableRows{};  // reading a value of these rows fails
};

class FakeDatabase : public Database {
public:
    std::unique_ptr<Connection> createConnection() override;

    // Every call, e.g. "create", "CursorLocation 3", "open Driver=...", "execute DROP TABLE ...",
    // "schema 20", "query SELECT ...", "movenext", "recordset close", "begin", "commit", "close".
    std::vector<std::string> log;
    std::vector<std::vector<Value>> parameters;  // of each executeWith, in order
    std::vector<ConnectionSettings> opened;      // of each open, in order
    int connectionsCreated = 0;
    std::atomic<int> cancels{0};  // cancel() calls on any of its connections, from any thread
    std::vector<std::string> cancelled;  // the connection text of each cancelled connection
    std::function<void(const std::string&)> onCall;  // told of each call as it is logged

    FakeResult catalogue;                        // the tables schema rows
    std::map<std::string, FakeResult> results;   // by exact query text
    // For a query not in `results`: the first whose texts all stand in it.
    std::vector<std::pair<std::vector<std::string>, FakeResult>> resultsContaining;

    // The next calls whose log line starts with `prefix` throw `message` (`times` of them; -1: all),
    // as a failure that ends the connection when `connectionLost`.
    void failOn(const std::string& prefix, const std::string& message, int times = -1, bool connectionLost = false);
    // The same, with what the failure says of itself.
    void failOn(const std::string& prefix, const std::string& message, DatabaseError::Details details, int times = -1);

    // The next call whose log line starts with `prefix` waits, as a call blocked in a driver does,
    // until a connection is cancelled; it then fails as a cancelled call (or, after a minute
    // without one, as an ordinary failure).
    void blockOn(const std::string& prefix);
    // Waits until a call is blocked so; false when none is after a minute, so that a test whose
    // call never comes fails instead of hanging.
    bool waitUntilBlocked();
    // The next call whose log line starts with `prefix` waits, as a call in a driver that ignores
    // the cancel does, until release(); it then fails.
    void holdOn(const std::string& prefix);
    // Waits until a call is held so (false when none is after a minute).
    bool waitUntilHeld();
    // Lets the held call go, and waits until it has (false when it never began, after a minute).
    bool release();
    // What a connection's cancel() does: counts, records which connection (its connection text),
    // and ends a blocked call.
    void cancel(const std::string& connection = {}) noexcept;

    // Catalogue rows with TABLE_NAME and TABLE_TYPE.
    static FakeResult Catalogue(const std::vector<std::pair<std::string, std::string>>& nameAndType);
    // A table of one INTEGER column, ID, holding 1 to `count`.
    static FakeResult Numbered(int count);

    // Records the call; throws when a failure rule matches. Used by the fake connection and recordset,
    // from whichever thread reads the rows.
    void call(const std::string& line);

    // The log lines that start with prefix.
    std::vector<std::string> calls(const std::string& prefix) const;

    // The tables schema: `catalogue`, and each table a CREATE TABLE executed here made.
    FakeResult catalogueWithCreated() const;
    void created(const std::string& sql);
    // A table made here leaves the catalogue, as if someone else had dropped it.
    void forget(const std::string& table);

private:
    struct Failure {
        std::string prefix, message;
        int times;
        DatabaseError::Details details;
    };
    std::vector<Failure> failures_;
    std::vector<std::string> blockOn_;  // each blocks the first call it begins
    bool blocked_ = false;
    std::string holdOn_;
    enum class Held { kNone, kWaiting, kReleased, kOut } held_ = Held::kNone;
    std::vector<std::string> createdTables_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace tess
