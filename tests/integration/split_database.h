#pragma once
// Firebird logins go to one database, everything else to another: for copying between a real
// Firebird database and a SQL Server side that a test or a benchmark scripts.
#include "platform/drivers/routing_database.h"

namespace tess {

class SplitDatabase : public RoutingDatabase {
public:
    SplitDatabase(Database& sqlServer, Database& firebird)
        : RoutingDatabase([&firebird] { return firebird.createConnection(); },
                          [&sqlServer] { return sqlServer.createConnection(); }),
          firebird(firebird) {}
    Database& firebird;
};

}  // namespace tess
