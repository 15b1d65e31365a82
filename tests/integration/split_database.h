#pragma once
// Firebird texts go to one database, every other text to another: for copying between a real
// Firebird database and a SQL Server side that a test or a benchmark scripts.
#include "platform/database.h"

namespace tess {

class SplitDatabase : public Database {
public:
    SplitDatabase(Database& sqlServer, Database& firebird) : sqlServer(sqlServer), firebird(firebird) {}
    std::unique_ptr<Connection> createConnection() override;
    Database& sqlServer;
    Database& firebird;
};

}  // namespace tess
