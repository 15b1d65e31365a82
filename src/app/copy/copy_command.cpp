#include "app/copy/copy_command.h"

#include "routines/error_trap.h"
#include "platform/memory_table_list.h"
#include "common/operation_guard.h"
#include "catalogue/sqlserver_table_names.h"
#include "catalogue/table_listing.h"
#include "connect/connection_strings.h"
#include "platform/console_toolkit.h"
#include "platform/database.h"
#include "transfer/send_to_firebird.h"
#include "transfer/send_to_sqlserver.h"

namespace tess {
namespace {

struct Logins : LoginSource {
    StoredLogins values;
    SqlServerLogin sqlServerLogin() const override { return values.sqlServer; }
    FirebirdLogin firebirdLogin() const override { return values.firebird; }
};

// Like the "Test Connection" buttons, but saying why a connection failed.
bool TestSide(std::ostream& out, const char* side, Database& database, int cursorLocation, const std::string& text) {
    try {
        auto connection = database.createConnection();
        if (cursorLocation) connection->setCursorLocation(cursorLocation);
        connection->open(text);
        out << side << ": Connection successful.\n";
        return true;
    } catch (const std::exception& e) {
        out << side << ": " << e.what() << "\n";
        return false;
    }
}

// Selects the named entries as a user would; false when one is not in the list.
bool SelectTables(MemoryTableList& list, const std::vector<std::string>& names, std::ostream& out) {
    for (const auto& name : names) {
        int found = -1;
        for (int i = 0; i < list.listCount(); ++i)
            if (list.item(i) == name) found = i;
        if (found < 0) {
            out << "tessaline-copy: no table named \"" << name << "\" in the source list\n";
            return false;
        }
        list.setSelected(found, true);
        list.setListIndex(found);
    }
    return true;
}

}  // namespace

int RunCopyCommand(const CopyOptions& options, const StoredLogins& stored, Database& database,
                   ConsoleToolkit& toolkit, std::ostream& out) {
    Logins logins;
    logins.values = options.apply(stored);
    if (options.command == "test") {
        const bool firebird = TestSide(out, "Firebird", database, kUseServer,
                                       FirebirdConnectionString(logins.values.firebird));
        const bool sqlServer =
            TestSide(out, "SQL Server", database, 0, SqlServerConnectionString(logins.values.sqlServer));
        return firebird && sqlServer ? 0 : 1;
    }

    // The lists are filled as "Next >" fills them.
    MemoryTableList list1, list2;
    SqlServerTableNames sqlServerNames;
    const bool wantsSqlServer = options.command != "list" || options.arguments[0] == "sqlserver";
    const bool wantsFirebird = options.command != "list" || options.arguments[0] == "firebird";
    ErrorTrap trap(toolkit, ErrorLocation("Form1", "PushButton2"));
    if (wantsSqlServer)
        trap.step(110, [&] {
            ListSqlServerTables(database, logins.values.sqlServer, list1, toolkit, &sqlServerNames);
        });
    if (wantsFirebird) trap.step(112, [&] { ListFirebirdTables(database, logins.values.firebird, list2); });

    if (options.command == "list") {
        for (const auto& name : (wantsSqlServer ? list1 : list2).items()) out << name << "\n";
        return toolkit.errorReports() ? 1 : 0;
    }
    if (toolkit.errorReports()) return 1;

    ConsoleProgressBar progress;
    ConsoleWindow window;
    OperationGuard guard;
    TablesWindowControls controls{list1, list2, progress, window,
                                  [&](const std::string& t, long long done, long long total) {
                                      toolkit.rowsSent(t, done, total);
                                  },
                                  &sqlServerNames};
    if (options.command == "send-to-firebird") {
        if (!SelectTables(list1, options.arguments, out)) return 2;
        SendToFirebird(database, toolkit, logins, controls, guard).PushButton3_Click();
    } else {
        if (!SelectTables(list2, options.arguments, out)) return 2;
        SendToSqlServer(database, toolkit, logins, controls, guard).PushButton4_Click();
    }
    toolkit.endProgressLine();
    return toolkit.errorReports() ? 1 : 0;
}

}  // namespace tess
