#pragma once
// The real database access: a connection text for the Firebird driver goes to the Firebird client
// library, any other text to the ODBC driver manager.
#include "platform/drivers/routing_database.h"

namespace tess {

class DriversDatabase : public RoutingDatabase {
public:
    DriversDatabase();
};

}  // namespace tess
