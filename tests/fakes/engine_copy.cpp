#include "fakes/engine_copy.h"

#include "connect/connection_strings.h"
#include "platform/database.h"
#include "routines/error_trap.h"
#include "transfer/table_copier.h"
#include "transfer/to_firebird.h"
#include "transfer/to_sqlserver.h"

namespace tess {

int RecordingObserver::askOverwrite(const std::string& table) {
    return ui_.messageBox("Would you like to overwrite " + table + "?", kYesNo, "Overwrite?");
}

void RecordingObserver::report(const StepFailure& failure) {
    failures.push_back(failure);
    ShowErrorReport(ui_, failure.description, location_, failure.step);
}

void CopyThroughEngine(Database& database, const LoginSource& logins, EngineCopy how, TableList& targetTables,
                       const std::vector<std::string>& tables, RecordingObserver& observer) {
    auto sqlServer = database.createConnection();
    sqlServer->open(SqlServerSettings(logins.sqlServerLogin()));
    auto firebird = database.createConnection();
    firebird->open(FirebirdSettings(logins.firebirdLogin()));
    Connection* source = how.toFirebird ? sqlServer.get() : firebird.get();
    Connection* target = how.toFirebird ? firebird.get() : sqlServer.get();
    const auto direction = how.toFirebird ? ToFirebird(firebird.get(), nullptr) : ToSqlServer(nullptr);
    TableCopier copier({source, target, true}, targetTables, *direction,
                       how.toFirebird ? kToFirebirdSteps : kToSqlServerSteps, observer, how.bulk);
    if (how.limits) copier.setLimits(*how.limits);
    if (how.blockRows) copier.setBlockRows(how.blockRows);
    const CancelOnStop cancelling(&observer.stop, [&copier] { copier.cancel(); });
    for (const auto& table : tables) {
        if (observer.stopRequested()) break;
        copier.copy(table);
    }
    // As the handlers' steps do, a close that fails is no concern of the copy.
    for (Connection* c : {sqlServer.get(), firebird.get()}) try {
            c->close();
        } catch (const std::exception&) {
        }
}

}  // namespace tess
