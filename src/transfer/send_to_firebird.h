#pragma once
// "Send Table/s To Firebird": copies the selected SQL Server tables, bottom of the list first.
#include "transfer/tables_window_controls.h"

namespace tess {

class Database;
class Toolkit;
class LoginSource;
class OperationGuard;

class SendToFirebird {
public:
    // The row INSERTs of a table run in one transaction, committed this often and at the table's end:
    // committing every row costs thirty times the time.
    static constexpr long long kRowsPerCommit = 10000;

    SendToFirebird(Database& database, Toolkit& toolkit, const LoginSource& logins, TablesWindowControls controls,
                   OperationGuard& guard);
    void PushButton3_Click();

private:
    Database& database_;
    Toolkit& toolkit_;
    const LoginSource& logins_;
    TablesWindowControls controls_;
    OperationGuard& guard_;
};

}  // namespace tess
