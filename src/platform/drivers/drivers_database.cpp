#include "platform/drivers/drivers_database.h"

#include <firebird/Interface.h>

#include "platform/firebird/fb_connection.h"
#include "platform/odbc/odbc_connection.h"

namespace tess {

DriversDatabase::DriversDatabase()
    : RoutingDatabase([master = Firebird::fb_get_master_interface()] { return std::make_unique<FirebirdConnection>(master); },
                      [] { return std::make_unique<OdbcConnection>(); }) {}

}  // namespace tess
