#include "transfer/send_to_firebird.h"

#include <optional>

#include "catalogue/sqlserver_table_names.h"
#include "common/operation_guard.h"
#include "connect/connection_strings.h"
#include "connect/open_sqlserver.h"
#include "platform/database.h"
#include "platform/toolkit.h"
#include "routines/error_trap.h"
#include "transfer/firebird_insert.h"
#include "transfer/firebird_mapping.h"
#include "transfer/identifiers.h"
#include "transfer/value_text.h"
#include "transfer/table_transfer.h"

namespace tess {
namespace {

constexpr const char* kDefaultCharacterSetQuery = "SELECT TRIM(RDB$CHARACTER_SET_NAME) FROM RDB$DATABASE";

class ToFirebird : public TransferDirection {
public:
    ToFirebird(Connection* firebird, const SqlServerTableNames* names, bool bulk)
        : firebird_(firebird), names_(names), bulk_(bulk) {}

    std::unique_ptr<Recordset> openSource(Connection& sqlServer, const std::string& entry) const override {
        return sqlServer.openRecordset("SELECT * FROM " + SqlServerObjectName(names_, entry), kOpenStatic,
                                       kLockOptimistic);
    }
    // A table of another schema is created under its own name.
    std::string targetName(const std::string& entry) const override { return SqlServerTableOf(names_, entry).name; }
    std::string dropStatement(const std::string& listed) const override { return "DROP TABLE " + FirebirdName(listed); }
    std::string createStatement(const std::string& table, const std::vector<SourceColumn>& columns) override {
        definition_ = MapColumnsToFirebird(table, columns, defaultCharacterSet());
        return definition_.createStatement;
    }
    Statement insertStatement(const std::string& table, const std::vector<Value>& row) const override {
        return RenderFirebirdInsert(table, definition_.numeric, row, definition_.dateOnly);
    }
    long long rowsPerCommit() const override { return bulk_ ? SendToFirebird::kBulkRowsPerCommit : SendToFirebird::kRowsPerCommit; }
    std::string bulkStatement(const std::string& table, size_t columns) const override {
        return FirebirdBulkInsert(table, columns);
    }
    std::vector<Value> bulkValues(const std::vector<Value>& row) const override {
        return FirebirdBulkValues(definition_.numeric, row, definition_.dateOnly);
    }

private:
    // Read once a run. A database that cannot say is taken to hold any text, and its CREATE texts
    // stay as plain as the database's own would be.
    FirebirdDefaultCharacterSet defaultCharacterSet() {
        if (!characterSet_ && firebird_) {
            characterSet_ = FirebirdDefaultCharacterSet::HoldsAnyText;
            try {
                auto rows = firebird_->openRecordset(kDefaultCharacterSetQuery);
                const Value name = rows->eof() ? Value{} : rows->value(0);
                rows->close();
                characterSet_ = ClassifyFirebirdCharacterSet(IsNull(name) ? "NONE" : ValueText(name));
            } catch (const std::exception&) {
            }
        }
        return characterSet_.value_or(FirebirdDefaultCharacterSet::HoldsAnyText);
    }

    Connection* firebird_;
    const SqlServerTableNames* names_;
    bool bulk_;
    std::optional<FirebirdDefaultCharacterSet> characterSet_;
    FirebirdTableDefinition definition_;
};

// The steps of each table, in this handler's numbering.
constexpr TableSteps kTableSteps{
    .selected = 134, .name = 136, .listed = 138, .ask = 140, .openSource = 152, .drop = 148, .unlist = 150,
    .columns = 158, .create = 228, .count = 236, .begin = 238, .eof = 240, .commitBatch = 242, .progress = 246,
    .readRow = 254, .insert = 318, .moveNext = 320, .commit = 322, .resetProgress = 324, .closeSource = 326,
    .addToList = 328};

}  // namespace

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
    const bool firebirdOpen =
        trap.step(116, [&] { firebird->open(FirebirdConnectionString(logins_.firebirdLogin())); });
    trap.step(118, [&] { sqlServer->setCursorLocation(kUseServer); });
    trap.step(120, [&] { sqlServer->setCommandTimeout(5000); });
    trap.step(122, [&] { sqlServer->setConnectionTimeout(5000); });
    const bool sqlServerOpen =
        OpenSqlServerConnection(trap, {.test = 124, .local = 126, .withPort = 128}, sqlServer.get(),
                                logins_.sqlServerLogin());

    // 130 to 330: every selected SQL Server table, the last entry first.
    ToFirebird direction(firebird.get(), controls_.sqlServerNames, controls_.bulk);
    TransferSelectedTables({trap, toolkit_, controls_, controls_.sqlServerList, controls_.firebirdList,
                            sqlServer.get(), firebird.get(), firebirdOpen},
                           kTableSteps, direction);

    if (sqlServerOpen) trap.step(338, [&] { sqlServer->close(); });
    if (firebirdOpen) trap.step(340, [&] { firebird->close(); });
    trap.step(342, [&] { controls_.window.setMousePointer(kPointerDefault); });
}

}  // namespace tess
