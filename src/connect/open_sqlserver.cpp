#include "connect/open_sqlserver.h"

#include "connect/connection_strings.h"
#include "platform/database.h"
#include "routines/error_trap.h"

namespace tess {

bool OpenSqlServerConnection(ErrorTrap& trap, const SqlServerOpenSteps& steps, Connection* connection,
                             const SqlServerLogin& login) {
    // The two texts differ only by the port; SqlServerConnectionString follows the box itself.
    const int open = trap.test(steps.test, [&] { return login.localConnection; }) ? steps.local : steps.withPort;
    return trap.step(open, [&] { connection->open(SqlServerSettings(login)); });
}

}  // namespace tess
