#pragma once
// How every handler opens SQL Server: a step asks whether "Local Connection" is ticked, then one
// step opens with the text without port and another with "," and the port.
#include "connect/logins.h"

namespace tess {

class Connection;
class ErrorTrap;

struct SqlServerOpenSteps {
    int test, local, withPort;
};

// True when the connection opened; a failure is reported by the trap at its step.
bool OpenSqlServerConnection(ErrorTrap& trap, const SqlServerOpenSteps& steps, Connection* connection,
                             const SqlServerLogin& login);

}  // namespace tess
