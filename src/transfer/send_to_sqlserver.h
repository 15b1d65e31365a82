#pragma once
// "Send Table/s To SQL Server": copies the selected Firebird tables, bottom of the list first.
#include "transfer/tables_window_controls.h"

namespace tess {

class Database;
class Toolkit;
class LoginSource;
class OperationGuard;

class SendToSqlServer {
public:
    SendToSqlServer(Database& database, Toolkit& toolkit, const LoginSource& logins, TablesWindowControls controls,
                    OperationGuard& guard);
    void PushButton4_Click();

private:
    Database& database_;
    Toolkit& toolkit_;
    const LoginSource& logins_;
    TablesWindowControls controls_;
    OperationGuard& guard_;
};

}  // namespace tess
