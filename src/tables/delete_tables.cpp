// "Delete Table/s" on either side: drops every selected table, bottom of the list first.
#include "catalogue/sqlserver_table_names.h"
#include "routines/error_trap.h"
#include "common/operation_guard.h"
#include "connect/connection_strings.h"
#include "connect/open_sqlserver.h"
#include "platform/database.h"
#include "platform/toolkit.h"
#include "tables/drop_listed_table.h"
#include "tables/tables_window.h"
#include "transfer/identifiers.h"

namespace tess {

// One connection per table, closed before the entry leaves the list. A table that the database
// would not drop keeps its entry while it exists: the list shows the tables that exist.
void Form2::PushButton1_Click() {
    const auto busy = guard_.tryEnter();
    if (!busy) return;
    TableList& list1 = c_.sqlServerList;
    ErrorTrap trap(toolkit_, ErrorLocation("Form2", "PushButton1"));
    if (!trap.test(100, [&] { return list1.listIndex() != -1; })) {
        trap.step(128, [&] { toolkit_.messageBox("Please select a table", kOkOnly); });
        return;
    }
    trap.step(102, [&] { c_.window.setMousePointer(kPointerBusy); });
    std::unique_ptr<Connection> connection;
    int count = 0;
    trap.step(104, [&] { connection = database_.createConnection(); });
    trap.step(106, [&] { count = list1.listCount(); });
    for (int i = count - 1; i >= 0; --i) {
        trap.step(108, [&] { toolkit_.doEvents(); });
        if (!trap.test(110, [&] { return list1.selected(i); })) continue;
        const bool opened = OpenSqlServerConnection(trap, {.test = 112, .local = 114, .withPort = 116},
                                                    connection.get(), logins_.sqlServerLogin());
        bool gone = false;
        trap.step(118, [&] {
            const std::string entry = list1.item(i);
            const SqlServerTable table = SqlServerTableOf(c_.sqlServerNames, entry);
            DropListedTable(*connection, "DROP TABLE " + SqlServerObjectName(c_.sqlServerNames, entry) + ";", entry,
                            [&] { return FindInCatalogue(*connection, table.name, table.schema); }, gone);
        });
        if (opened) trap.step(120, [&] { connection->close(); });
        if (gone)
            trap.step(122, [&] {
                if (c_.sqlServerNames) c_.sqlServerNames->removed(list1.item(i));
                list1.removeItem(i);
            });
    }
    trap.step(126, [&] { c_.window.setMousePointer(kPointerDefault); });
}

void Form2::PushButton5_Click() {
    const auto busy = guard_.tryEnter();
    if (!busy) return;
    TableList& list2 = c_.firebirdList;
    ErrorTrap trap(toolkit_, ErrorLocation("Form2", "PushButton5"));
    std::unique_ptr<Connection> connection;
    trap.step(100, [&] { connection = database_.createConnection(); });
    trap.step(102, [&] { c_.window.setMousePointer(kPointerBusy); });
    trap.step(104, [&] { connection->open(FirebirdSettings(logins_.firebirdLogin())); });
    if (trap.test(106, [&] { return list2.listIndex() != -1; })) {
        int count = 0;
        trap.step(108, [&] { count = list2.listCount(); });
        for (int i = count - 1; i >= 0; --i) {
            if (!trap.test(110, [&] { return list2.selected(i); })) continue;
            bool gone = false;
            trap.step(112, [&] {
                const std::string entry = list2.item(i);
                DropListedTable(*connection, "DROP TABLE " + FirebirdName(entry), entry,
                                [&] { return FindInCatalogue(*connection, entry); }, gone);
            });
            if (gone) trap.step(114, [&] { list2.removeItem(i); });
        }
    } else {
        trap.step(118, [&] { toolkit_.messageBox("Please select a table", kOkOnly); });
    }
    trap.step(120, [&] { c_.window.setMousePointer(kPointerDefault); });
}

}  // namespace tess
