#include "transfer/send_to_sqlserver.h"

#include <algorithm>

#include "routines/error_trap.h"
#include "routines/helpers.h"
#include "common/operation_guard.h"
#include "connect/connection_strings.h"
#include "platform/database.h"
#include "platform/toolkit.h"
#include "transfer/identifiers.h"
#include "transfer/sqlserver_insert.h"
#include "transfer/sqlserver_mapping.h"

namespace tess {

// SQL Server keeps autocommit: a conversion error there can roll back a whole open transaction.
void SendToSqlServer::PushButton4_Click() {
    const auto busy = guard_.tryEnter();
    if (!busy) return;
    TableList& list1 = controls_.sqlServerList;
    TableList& list2 = controls_.firebirdList;
    ErrorTrap trap(toolkit_, ErrorLocation("Form2", "PushButton4"));
    std::unique_ptr<Connection> sqlServer, firebird;

    trap.step(100, [&] { sqlServer = database_.createConnection(); });
    trap.step(102, [&] { firebird = database_.createConnection(); });
    if (!trap.test(110, [&] { return list2.listIndex() != -1; })) {
        trap.step(276, [&] { toolkit_.messageBox("Please select a table to send.", kOkOnly); });
        return;
    }
    trap.step(112, [&] { controls_.window.setMousePointer(kPointerBusy); });
    trap.step(114, [&] { firebird->setCursorLocation(kUseClient); });
    const bool firebirdOpen =
        trap.step(116, [&] { firebird->open(FirebirdConnectionString(logins_.firebirdLogin())); });
    trap.step(118, [&] { sqlServer->setCursorLocation(kUseServer); });
    trap.step(120, [&] { sqlServer->setCommandTimeout(5000); });
    trap.step(122, [&] { sqlServer->setConnectionTimeout(5000); });
    SqlServerLogin login;
    trap.step(124, [&] { login = logins_.sqlServerLogin(); });
    bool sqlServerOpen = false;
    if (login.localConnection)
        sqlServerOpen = trap.step(126, [&] { sqlServer->open(SqlServerConnectionString(login)); });
    else
        sqlServerOpen = trap.step(128, [&] { sqlServer->open(SqlServerConnectionString(login)); });

    for (int i = list2.listCount() - 1; i >= 0; --i) {
        if (!trap.test(132, [&] { return list2.selected(i); })) continue;
        std::string table;
        if (!trap.step(134, [&] { table = list2.item(i); })) continue;
        int answer = 0;
        if (trap.test(136, [&] { return ListContains(list1, table); }))
            trap.step(138, [&] {
                answer = toolkit_.messageBox("Would you like to overwrite " + table + "?", kYesNo, "Overwrite?");
            });
        if (answer == kAnswerNo) continue;
        // The source is opened before anything is dropped: a table that cannot be read must not
        // cost the existing target table. Without it there is nothing more to do for this table.
        std::unique_ptr<Recordset> source;
        if (!trap.step(150, [&] { source = firebird->openRecordset("SELECT * FROM " + FirebirdName(table)); }))
            continue;
        if (answer == kAnswerYes) {
            const int listed = ListFindTable(list1, table);
            const std::string dropped = listed >= 0 ? list1.item(listed) : table;
            if (trap.step(146, [&] { ExecuteSql(*sqlServer, "DROP TABLE " + SqlServerName(dropped)); }))
                trap.step(148, [&] { ListRemoveItem(list1, dropped); });
        }
        std::vector<SourceColumn> columns;
        trap.step(158, [&] {
            for (int j = 0; j < source->fieldCount(); ++j) {
                toolkit_.doEvents();
                columns.push_back(source->field(j));
            }
        });
        const bool created =
            trap.step(210, [&] { ExecuteSql(*sqlServer, MapColumnsToSqlServer(table, columns)); });
        if (sqlServerOpen) {
            long long count = -1;
            trap.step(218, [&] { count = source->recordCount(); });
            // Rows are read to the source's end, whatever the count said.
            std::vector<Value> row;
            row.reserve(columns.size());
            for (long long k = 0;; ++k) {
                bool more = false;
                if (!trap.step(220, [&] { more = !source->eof(); }) || !more) break;
                toolkit_.doEvents();
                if (count > 0)
                    trap.step(224, [&] { controls_.progressBar.setValue(std::min(100.0, (k + 1) * 100.0 / count)); });
                row.clear();
                // A row that cannot be read is reported once and not written in part.
                if (trap.step(232, [&] {
                        for (int j = 0; j < source->fieldCount(); ++j) {
                            toolkit_.doEvents();
                            row.push_back(source->value(j));
                        }
                    }))
                    trap.step(250, [&] { ExecuteSql(*sqlServer, RenderSqlServerInsert(table, row)); });
                if (controls_.rowsSent) controls_.rowsSent(table, k + 1, count);
                if (!trap.step(252, [&] { source->moveNext(); })) break;
            }
        }
        trap.step(256, [&] { controls_.progressBar.setValue(0); });
        trap.step(258, [&] { source->close(); });
        // The list names the table as it was created, and only tables that exist.
        if (created) trap.step(260, [&] { list1.addItem(table); });
    }

    trap.step(270, [&] { controls_.window.setMousePointer(kPointerDefault); });
    if (sqlServerOpen) trap.step(272, [&] { sqlServer->close(); });
    if (firebirdOpen) trap.step(274, [&] { firebird->close(); });
}

}  // namespace tess
