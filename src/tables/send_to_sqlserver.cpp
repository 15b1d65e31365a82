#include "tables/send_to_sqlserver.h"

#include "common/operation_guard.h"
#include "connect/connection_strings.h"
#include "connect/open_sqlserver.h"
#include "platform/database.h"
#include "platform/toolkit.h"
#include "routines/error_trap.h"
#include "tables/window_copy_observer.h"

namespace tess {

void SendToSqlServer::PushButton4_Click() {
    const auto busy = guard_.tryEnter();
    if (!busy) return;
    ErrorTrap trap(toolkit_, ErrorLocation("Form2", "PushButton4"));
    std::unique_ptr<Connection> sqlServer, firebird;

    trap.step(100, [&] { sqlServer = database_.createConnection(); });
    trap.step(102, [&] { firebird = database_.createConnection(); });
    if (!trap.test(110, [&] { return controls_.firebirdList.listIndex() != -1; })) {
        trap.step(276, [&] { toolkit_.messageBox("Please select a table to send.", kOkOnly); });
        return;
    }
    trap.step(112, [&] { controls_.window.setMousePointer(kPointerBusy); });
    trap.step(114, [&] { firebird->setCursorLocation(kUseClient); });
    bool firebirdOpen =
        trap.step(116, [&] { firebird->open(FirebirdSettings(logins_.firebirdLogin())); });
    trap.step(118, [&] { sqlServer->setCursorLocation(kUseServer); });
    trap.step(120, [&] { sqlServer->setCommandTimeout(5000); });
    trap.step(122, [&] { sqlServer->setConnectionTimeout(5000); });
    bool sqlServerOpen =
        OpenSqlServerConnection(trap, {.test = 124, .local = 126, .withPort = 128}, sqlServer.get(),
                                logins_.sqlServerLogin());

    // 130 to 262: every selected Firebird table, the last entry first.
    WindowCopyObserver observer(toolkit_, controls_, controls_.sqlServerList, kToSqlServerSteps, ErrorLocation("Form2", "PushButton4"));
    HandlerEnds ends(firebird.get(), sqlServer.get(), sqlServerOpen, [&] {
        firebirdOpen = sqlServerOpen = false;  // open again only if both open
        ReopenEnds(firebird.get(), logins_.firebirdLogin(), sqlServer.get(), logins_.sqlServerLogin());
        firebirdOpen = sqlServerOpen = true;
    });
    SendSelectedTables(trap, controls_, controls_.firebirdList, {.toFirebird = false}, ends, observer);

    trap.step(270, [&] { controls_.window.setMousePointer(kPointerDefault); });
    if (sqlServerOpen) trap.step(272, [&] { sqlServer->close(); });
    if (firebirdOpen) trap.step(274, [&] { firebird->close(); });
}

}  // namespace tess
