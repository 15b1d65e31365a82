#pragma once
// The real database access: a Firebird login goes to the Firebird client library, a SQL Server
// login or any connection text to the ODBC driver manager.
#include "platform/drivers/routing_database.h"

namespace tess {

class DriversDatabase : public RoutingDatabase {
public:
    DriversDatabase();
};

}  // namespace tess
