#include "transfer/send_to_sqlserver.h"

#include "catalogue/sqlserver_table_names.h"
#include "common/operation_guard.h"
#include "connect/connection_strings.h"
#include "connect/open_sqlserver.h"
#include "platform/database.h"
#include "platform/toolkit.h"
#include "routines/error_trap.h"
#include "transfer/identifiers.h"
#include "transfer/sqlserver_insert.h"
#include "transfer/sqlserver_mapping.h"
#include "transfer/table_transfer.h"

namespace tess {
namespace {

constexpr size_t kSqlServerBulkBatch = 500;

class ToSqlServer : public TransferDirection {
public:
    explicit ToSqlServer(SqlServerTableNames* names) : names_(names) {}

    std::unique_ptr<Recordset> openSource(Connection& firebird, const std::string& table) const override {
        return firebird.openRecordset("SELECT * FROM " + FirebirdName(table));
    }
    std::string dropStatement(const std::string& listed) const override {
        return "DROP TABLE " + SqlServerObjectName(names_, listed);
    }
    std::string createStatement(const std::string& table, const std::vector<SourceColumn>& columns) override {
        return MapColumnsToSqlServer(table, columns);
    }
    Statement insertStatement(const std::string& table, const std::vector<Value>& row) const override {
        return RenderSqlServerInsert(table, row);
    }
    // SQL Server keeps autocommit: a conversion error there can roll back a whole open transaction.
    long long rowsPerCommit() const override { return 0; }
    std::string bulkStatement(const std::string& table, size_t columns) const override {
        return SqlServerBulkInsert(table, columns);
    }
    std::vector<Value> bulkValues(const std::vector<Value>& row) const override { return SqlServerBulkValues(row); }
    // A transaction of several hundred rows; SQL Server may abort the whole of it for one refused
    // row, so a failed batch is rolled back and written again row by row.
    size_t bulkBatch() const override { return kSqlServerBulkBatch; }

    // A table we create is of the default schema, whatever an earlier entry of its text was.
    void targetListChanged(const std::string& entry) override {
        if (names_) names_->removed(entry);
    }

private:
    SqlServerTableNames* names_;
};

// The steps of each table, in this handler's numbering.
constexpr TableSteps kTableSteps{
    .selected = 132, .name = 134, .listed = 136, .ask = 138, .openSource = 150, .drop = 146, .unlist = 148,
    .columns = 158, .create = 210, .count = 218, .begin = 0, .eof = 220, .commitBatch = 0, .progress = 224,
    .readRow = 232, .insert = 250, .moveNext = 252, .commit = 0, .resetProgress = 256, .closeSource = 258,
    .addToList = 260};

}  // namespace

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
    const bool firebirdOpen =
        trap.step(116, [&] { firebird->open(FirebirdConnectionString(logins_.firebirdLogin())); });
    trap.step(118, [&] { sqlServer->setCursorLocation(kUseServer); });
    trap.step(120, [&] { sqlServer->setCommandTimeout(5000); });
    trap.step(122, [&] { sqlServer->setConnectionTimeout(5000); });
    const bool sqlServerOpen =
        OpenSqlServerConnection(trap, {.test = 124, .local = 126, .withPort = 128}, sqlServer.get(),
                                logins_.sqlServerLogin());

    // 130 to 262: every selected Firebird table, the last entry first.
    ToSqlServer direction(controls_.sqlServerNames);
    TransferSelectedTables({trap, toolkit_, controls_, controls_.firebirdList, controls_.sqlServerList,
                            firebird.get(), sqlServer.get(), sqlServerOpen},
                           kTableSteps, direction);

    trap.step(270, [&] { controls_.window.setMousePointer(kPointerDefault); });
    if (sqlServerOpen) trap.step(272, [&] { sqlServer->close(); });
    if (firebirdOpen) trap.step(274, [&] { firebird->close(); });
}

}  // namespace tess
