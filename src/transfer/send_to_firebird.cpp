#include "transfer/send_to_firebird.h"

#include <algorithm>

#include "routines/error_trap.h"
#include "routines/helpers.h"
#include "common/operation_guard.h"
#include "connect/connection_strings.h"
#include "platform/database.h"
#include "platform/toolkit.h"
#include "transfer/firebird_insert.h"
#include "transfer/firebird_mapping.h"
#include "transfer/identifiers.h"

namespace tess {

void SendToFirebird::PushButton3_Click() {
    const auto busy = guard_.tryEnter();
    if (!busy) return;
    TableList& list1 = controls_.sqlServerList;
    TableList& list2 = controls_.firebirdList;
    ErrorTrap trap(toolkit_, ErrorLocation("Form2", "PushButton3"));
    std::unique_ptr<Connection> sqlServer, firebird;

    trap.step(100, [&] { sqlServer = database_.createConnection(); });
    trap.step(104, [&] { firebird = database_.createConnection(); });
    if (list1.listIndex() == -1) {
        trap.step(106, [&] { toolkit_.messageBox("Please select a table", kOkOnly); });
        return;
    }
    trap.step(108, [&] { controls_.window.setMousePointer(kPointerBusy); });
    trap.step(110, [&] { firebird->setCursorLocation(kUseServer); });
    trap.step(112, [&] { firebird->setCommandTimeout(5000); });
    trap.step(114, [&] { firebird->setConnectionTimeout(5000); });
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

    for (int i = list1.listCount() - 1; i >= 0; --i) {
        toolkit_.doEvents();
        if (!trap.test(134, [&] { return list1.selected(i); })) continue;
        std::string table;
        if (!trap.step(136, [&] { table = list1.item(i); })) continue;
        int answer = 0;
        if (trap.test(138, [&] { return ListContains(list2, table); }))
            trap.step(140, [&] {
                answer = toolkit_.messageBox("Would you like to overwrite " + table + "?", kYesNo, "Overwrite?");
            });
        if (answer == kAnswerNo) continue;
        // The source is opened before anything is dropped: a table that cannot be read must not
        // cost the existing target table. Without it there is nothing more to do for this table.
        std::unique_ptr<Recordset> source;
        if (!trap.step(152, [&] {
                source = sqlServer->openRecordset("SELECT * FROM " + SqlServerName(table), kOpenStatic,
                                                  kLockOptimistic);
            }))
            continue;
        if (answer == kAnswerYes) {
            const int listed = ListFindTable(list2, table);
            const std::string dropped = listed >= 0 ? list2.item(listed) : table;
            if (trap.step(148, [&] { firebird->execute("DROP TABLE " + FirebirdName(dropped)); }))
                trap.step(150, [&] { ListRemoveItem(list2, dropped); });
        }
        std::vector<SourceColumn> columns;
        trap.step(158, [&] {
            for (int j = 0; j < source->fieldCount(); ++j) {
                toolkit_.doEvents();
                columns.push_back(source->field(j));
            }
        });
        const FirebirdTableDefinition definition = MapColumnsToFirebird(table, columns);
        const bool created = trap.step(228, [&] { firebird->execute(definition.createStatement); });
        if (firebirdOpen) {
            long long count = -1;
            trap.step(236, [&] { count = source->recordCount(); });
            trap.step(238, [&] { firebird->beginTransaction(); });
            // Rows are read to the source's end, whatever the count said.
            std::vector<Value> row;
            row.reserve(columns.size());
            for (long long k = 0;; ++k) {
                bool more = false;
                if (!trap.step(240, [&] { more = !source->eof(); }) || !more) break;
                if (k > 0 && k % kRowsPerCommit == 0)
                    trap.step(242, [&] {
                        firebird->commitTransaction();
                        firebird->beginTransaction();
                    });
                toolkit_.doEvents();
                if (count > 0)
                    trap.step(246, [&] { controls_.progressBar.setValue(std::min(100.0, (k + 1) * 100.0 / count)); });
                row.clear();
                // A row that cannot be read is reported once and not written in part.
                if (trap.step(254, [&] {
                        for (int j = 0; j < source->fieldCount(); ++j) {
                            toolkit_.doEvents();
                            row.push_back(source->value(j));
                        }
                    })) {
                    const Statement insert = RenderFirebirdInsert(table, definition.numeric, row);
                    trap.step(318, [&] {
                        if (insert.parameters.empty())
                            firebird->execute(insert.text);
                        else
                            firebird->executeWith(insert.text, insert.parameters);
                    });
                }
                if (controls_.rowsSent) controls_.rowsSent(table, k + 1, count);
                if (!trap.step(320, [&] { source->moveNext(); })) break;
            }
            trap.step(322, [&] { firebird->commitTransaction(); });
        }
        trap.step(324, [&] { controls_.progressBar.setValue(0); });
        trap.step(326, [&] { source->close(); });
        // The list names the table as it was created, and only tables that exist.
        if (created) trap.step(328, [&] { list2.addItem(table); });
    }

    if (sqlServerOpen) trap.step(338, [&] { sqlServer->close(); });
    if (firebirdOpen) trap.step(340, [&] { firebird->close(); });
    trap.step(342, [&] { controls_.window.setMousePointer(kPointerDefault); });
}

}  // namespace tess
