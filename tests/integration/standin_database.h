#pragma once
// The real drivers, with SQLite's ODBC driver standing in for SQL Server: the one T-SQL that the
// program's CREATE holds and SQLite cannot parse, NVARCHAR(MAX) and VARBINARY(MAX), is given to
// it as the TEXT and BLOB it reads. Every other statement goes as the program wrote it.
#include <firebird/Interface.h>

#include <memory>
#include <regex>

#include "platform/drivers/routing_database.h"
#include "platform/firebird/fb_connection.h"
#include "platform/odbc/odbc_connection.h"

namespace tess {

class StandInConnection : public OdbcConnection {
public:
    void execute(const std::string& sql) override {
        static const std::regex maxText(R"(NVARCHAR\(MAX\))"), maxBinary(R"(VARBINARY\(MAX\))");
        OdbcConnection::execute(std::regex_replace(std::regex_replace(sql, maxText, "TEXT"), maxBinary, "BLOB"));
    }
};

class StandInDatabase : public RoutingDatabase {
public:
    StandInDatabase()
        : RoutingDatabase(
              [master = Firebird::fb_get_master_interface()] { return std::make_unique<FirebirdConnection>(master); },
              [] { return std::make_unique<StandInConnection>(); }) {}
};

}  // namespace tess
