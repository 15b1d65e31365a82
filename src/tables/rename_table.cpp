// "Rename Table": one selected SQL Server table through sp_rename; Firebird has none.
#include "catalogue/sqlserver_table_names.h"
#include "routines/error_trap.h"
#include "common/operation_guard.h"
#include "common/sql_literal.h"
#include "connect/open_sqlserver.h"
#include "platform/database.h"
#include "platform/toolkit.h"
#include "tables/tables_window.h"

namespace tess {
// A rename that the server refuses leaves the entry as it was.
void Form2::PushButton6_Click() {
    const auto busy = guard_.tryEnter();
    if (!busy) return;
    TableList& list1 = c_.sqlServerList;
    ErrorTrap trap(toolkit_, ErrorLocation("Form2", "PushButton6"));
    if (!trap.test(100, [&] { return list1.listIndex() != -1; })) {
        trap.step(142, [&] { toolkit_.messageBox("Please select a table", kOkOnly); });
        return;
    }
    std::string oldName;
    int oldIndex = -1, selectedCount = 0, count = 0;
    trap.step(102, [&] { count = list1.listCount(); });
    for (int i = 0; i < count; ++i) {
        if (!trap.test(104, [&] { return list1.selected(i); })) continue;
        trap.step(106, [&] { oldName = list1.item(i); });
        oldIndex = i;
        ++selectedCount;
    }
    if (selectedCount != 1) {
        trap.step(140, [&] { toolkit_.messageBox("Please select just one table to rename", kOkOnly); });
        return;
    }
    trap.step(116, [&] { c_.window.setMousePointer(kPointerBusy); });
    std::unique_ptr<Connection> connection;
    trap.step(118, [&] { connection = database_.createConnection(); });
    std::string newName;
    // The box offers the table's own name: a table of another schema keeps its schema.
    const std::string ownName = SqlServerTableOf(c_.sqlServerNames, oldName).name;
    trap.step(120, [&] { newName = toolkit_.inputBox("Enter new name of " + oldName + ":", kProgramTitle, ownName); });
    if (newName.empty()) {
        trap.step(122, [&] { c_.window.setMousePointer(kPointerDefault); });
        return;
    }
    const bool opened = OpenSqlServerConnection(trap, {.test = 124, .local = 126, .withPort = 128},
                                                connection.get(), logins_.sqlServerLogin());
    // sp_rename reads its first argument as a possibly qualified name, so it is bracketed; both are
    // Unicode literals, or the server converts them to its code page.
    const bool renamed = trap.step(130, [&] {
        connection->execute("sp_rename N" + QuotedLiteral(SqlServerObjectName(c_.sqlServerNames, oldName)) + ", N" +
                            QuotedLiteral(newName));
    });
    if (opened) trap.step(132, [&] { connection->close(); });
    if (renamed) {
        const std::string newEntry = c_.sqlServerNames ? c_.sqlServerNames->renamed(oldName, newName) : newName;
        trap.step(134, [&] { list1.removeItem(oldIndex); });
        trap.step(136, [&] { list1.addItem(newEntry); });
    }
    trap.step(138, [&] { c_.window.setMousePointer(kPointerDefault); });
}

void Form2::PushButton7_Click() {
    ErrorTrap trap(toolkit_, ErrorLocation("Form2", "PushButton7"));
    trap.step(100, [&] { toolkit_.messageBox("No rename available for Firebird", kOkOnly); });
}

}  // namespace tess
