#include "transfer/to_firebird.h"

#include <optional>

#include "catalogue/sqlserver_table_names.h"
#include "catalogue/table_keys.h"
#include "platform/database.h"
#include "transfer/firebird_insert.h"
#include "transfer/firebird_mapping.h"
#include "transfer/identifiers.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

constexpr const char* kDefaultCharacterSetQuery = "SELECT TRIM(RDB$CHARACTER_SET_NAME) FROM RDB$DATABASE";

class FirebirdDirection : public TransferDirection {
public:
    FirebirdDirection(Connection* firebird, const SqlServerTableNames* names) : firebird_(firebird), names_(names) {}

    std::unique_ptr<Recordset> openSource(Connection& sqlServer, const std::string& entry) const override {
        return sqlServer.openRecordset("SELECT * FROM " + SqlServerObjectName(names_, entry), kOpenStatic,
                                       kLockOptimistic);
    }
    std::vector<std::string> sourceKey(Connection& sqlServer, const std::string& entry) const override {
        const SqlServerTable table = SqlServerTableOf(names_, entry);
        return SqlServerKeyColumns(sqlServer, table.schema, table.name);
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
    long long rowsPerCommit(bool bulk) const override {
        return bulk ? kFirebirdBulkRowsPerCommit : kFirebirdRowsPerCommit;
    }
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
    std::optional<FirebirdDefaultCharacterSet> characterSet_;
    FirebirdTableDefinition definition_;
};

}  // namespace

std::unique_ptr<TransferDirection> ToFirebird(Connection* firebird, const SqlServerTableNames* names) {
    return std::make_unique<FirebirdDirection>(firebird, names);
}

}  // namespace tess
