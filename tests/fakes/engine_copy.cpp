#include "fakes/engine_copy.h"

#include "connect/connection_strings.h"
#include "platform/database.h"
#include "routines/error_trap.h"
#include "routines/helpers.h"
#include "report/failure_text.h"
#include "report/step_numbers.h"

namespace tess {

bool RecordingObserver::overwrite(const std::string& table) {
    return ui_.messageBox("Would you like to overwrite " + table + "?", kYesNo, "Overwrite?") == kAnswerYes;
}

void RecordingObserver::failed(const CopyFailure& failure) {
    failures.push_back(failure);
    ShowErrorReport(ui_, FailureText(failure), location_, StepsOf(toFirebird).of(failure.stage));
}

void RecordingObserver::targetDropped(const std::string& table) {
    if (targets) ListRemoveItem(*targets, table);
}

void RecordingObserver::targetMade(const std::string& table) {
    if (targets) targets->addItem(table);
}

namespace {

// Two connections opened from the logins, and opened again as the windows open theirs.
struct Opened : TransferEnds {
    Opened(const LoginSource& l, Connection& s, Connection& f, bool t)
        : logins(l), sqlServer(s), firebird(f), toFirebird(t) {}
    const LoginSource& logins;
    Connection& sqlServer;
    Connection& firebird;
    bool toFirebird;
    Connection* source() override { return toFirebird ? &sqlServer : &firebird; }
    Connection* target() override { return toFirebird ? &firebird : &sqlServer; }
    void reopen() override {
        for (Connection* c : {&sqlServer, &firebird}) try {
                c->close();
            } catch (const std::exception&) {
            }
        sqlServer.open(SqlServerSettings(logins.sqlServerLogin()));
        firebird.open(FirebirdSettings(logins.firebirdLogin()));
    }
};

}  // namespace

TransferResult CopyThroughEngine(Database& database, const LoginSource& logins, EngineCopy how,
                                 TableList& targetTables, const std::vector<std::string>& tables,
                                 RecordingObserver& observer) {
    auto sqlServer = database.createConnection();
    sqlServer->open(SqlServerSettings(logins.sqlServerLogin()));
    auto firebird = database.createConnection();
    firebird->open(FirebirdSettings(logins.firebirdLogin()));
    Opened ends(logins, *sqlServer, *firebird, how.toFirebird);
    TransferPlan plan;
    plan.toFirebird = observer.toFirebird = how.toFirebird;
    plan.tables = tables;
    plan.targetTables = ListItems(targetTables);
    plan.bulk = how.bulk;
    plan.stop = &observer.stop;
    if (how.limits) plan.limits = *how.limits;
    plan.blockRows = how.blockRows;
    plan.overwrite = how.overwrite;
    observer.targets = &targetTables;
    const TransferResult result = RunTransfer(plan, ends, observer);
    observer.targets = nullptr;
    // As the handlers' steps do, a close that fails is no concern of the copy.
    for (Connection* c : {sqlServer.get(), firebird.get()}) try {
            c->close();
        } catch (const std::exception&) {
        }
    return result;
}

}  // namespace tess
