#include "transfer/to_sqlserver.h"

#include "catalogue/sqlserver_table_names.h"
#include "catalogue/table_keys.h"
#include "platform/database.h"
#include "transfer/identifiers.h"
#include "transfer/sqlserver_insert.h"
#include "transfer/sqlserver_mapping.h"

namespace tess {
namespace {

constexpr size_t kSqlServerBulkBatch = 500;

class SqlServerDirection : public TransferDirection {
public:
    explicit SqlServerDirection(SqlServerTableNames* names) : names_(names) {}

    std::unique_ptr<Recordset> openSource(Connection& firebird, const std::string& table) const override {
        return firebird.openRecordset("SELECT * FROM " + FirebirdName(table));
    }
    std::vector<std::string> sourceKey(Connection& firebird, const std::string& table) const override {
        return FirebirdKeyColumns(firebird, table);
    }
    std::string dropStatement(const std::string& listed) const override {
        return "DROP TABLE " + SqlServerObjectName(names_, listed);
    }
    std::string createStatement(const std::string& table, const std::vector<SourceColumn>& columns) override {
        timeOnly_ = TimeOnlyColumns(columns);
        return MapColumnsToSqlServer(table, columns);
    }
    Statement insertStatement(const std::string& table, const std::vector<Value>& row) const override {
        return RenderSqlServerInsert(table, row, timeOnly_);
    }
    // SQL Server keeps autocommit: a conversion error there can roll back a whole open transaction.
    long long rowsPerCommit(bool) const override { return 0; }
    std::string bulkStatement(const std::string& table, size_t columns) const override {
        return SqlServerBulkInsert(table, columns);
    }
    std::vector<Value> bulkValues(const std::vector<Value>& row) const override { return SqlServerBulkValues(row, timeOnly_); }
    // A transaction of several hundred rows; SQL Server may abort the whole of it for one refused
    // row, so a failed batch is rolled back and written again row by row.
    size_t bulkBatch() const override { return kSqlServerBulkBatch; }

    // A table we create is of the default schema, whatever an earlier entry of its text was.
    void targetListChanged(const std::string& entry) override {
        if (names_) names_->removed(entry);
    }

private:
    SqlServerTableNames* names_;
    std::vector<bool> timeOnly_;
};

}  // namespace

std::unique_ptr<TransferDirection> ToSqlServer(SqlServerTableNames* names) {
    return std::make_unique<SqlServerDirection>(names);
}

}  // namespace tess
