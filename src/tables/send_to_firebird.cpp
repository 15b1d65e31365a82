#include "tables/send_to_firebird.h"

#include "common/operation_guard.h"
#include "connect/connection_strings.h"
#include "connect/open_sqlserver.h"
#include "platform/database.h"
#include "platform/toolkit.h"
#include "routines/error_trap.h"
#include "tables/window_copy_observer.h"

namespace tess {

void SendToFirebird::PushButton3_Click() {
    const auto busy = guard_.tryEnter();
    if (!busy) return;
    ErrorTrap trap(toolkit_, ErrorLocation("Form2", "PushButton3"));
    std::unique_ptr<Connection> sqlServer, firebird;

    trap.step(100, [&] { sqlServer = database_.createConnection(); });
    trap.step(104, [&] { firebird = database_.createConnection(); });
    if (controls_.sqlServerList.listIndex() == -1) {
        trap.step(106, [&] { toolkit_.messageBox("Please select a table", kOkOnly); });
        return;
    }
    trap.step(108, [&] { controls_.window.setMousePointer(kPointerBusy); });
    trap.step(110, [&] { firebird->setCursorLocation(kUseServer); });
    trap.step(112, [&] { firebird->setCommandTimeout(5000); });
    trap.step(114, [&] { firebird->setConnectionTimeout(5000); });
    bool firebirdOpen =
        trap.step(116, [&] { firebird->open(FirebirdSettings(logins_.firebirdLogin())); });
    trap.step(118, [&] { sqlServer->setCursorLocation(kUseServer); });
    trap.step(120, [&] { sqlServer->setCommandTimeout(5000); });
    trap.step(122, [&] { sqlServer->setConnectionTimeout(5000); });
    bool sqlServerOpen =
        OpenSqlServerConnection(trap, {.test = 124, .local = 126, .withPort = 128}, sqlServer.get(),
                                logins_.sqlServerLogin());

    // 130 to 330: every selected SQL Server table, the last entry first.
    WindowCopyObserver observer(toolkit_, controls_, controls_.firebirdList, kToFirebirdSteps, ErrorLocation("Form2", "PushButton3"));
    HandlerEnds ends(sqlServer.get(), firebird.get(), firebirdOpen, [&] {
        firebirdOpen = sqlServerOpen = false;  // open again only if both open
        ReopenEnds(firebird.get(), logins_.firebirdLogin(), sqlServer.get(), logins_.sqlServerLogin());
        firebirdOpen = sqlServerOpen = true;
    });
    SendSelectedTables(trap, controls_, controls_.sqlServerList, {.toFirebird = true}, ends, observer);

    if (sqlServerOpen) trap.step(338, [&] { sqlServer->close(); });
    if (firebirdOpen) trap.step(340, [&] { firebird->close(); });
    trap.step(342, [&] { controls_.window.setMousePointer(kPointerDefault); });
}

}  // namespace tess
