#pragma once
// An in-memory database for the logic tests: records every call in order, serves the catalogue
// and result sets it is given, and fails any call whose log line starts with a chosen text.
#include <algorithm>
#include <map>
#include <memory>
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
    int connectionsCreated = 0;

    FakeResult catalogue;                        // the tables schema rows
    std::map<std::string, FakeResult> results;   // by exact query text

    // The next calls whose log line starts with `prefix` throw `message` (`times` of them; -1: all),
    // as a failure that ends the connection when `connectionLost`.
    void failOn(const std::string& prefix, const std::string& message, int times = -1, bool connectionLost = false);

    // Catalogue rows with TABLE_NAME and TABLE_TYPE.
    static FakeResult Catalogue(const std::vector<std::pair<std::string, std::string>>& nameAndType);

    // Records the call; throws when a failure rule matches. Used by the fake connection and recordset,
    // from whichever thread reads the rows.
    void call(const std::string& line);

    // The log lines that start with prefix.
    std::vector<std::string> calls(const std::string& prefix) const;

private:
    struct Failure {
        std::string prefix, message;
        int times;
        bool connectionLost;
    };
    std::vector<Failure> failures_;
    mutable std::mutex mutex_;
};

}  // namespace tess
