#include "transfer/to_sqlserver.h"

#include <map>
#include <set>

#include "catalogue/sqlserver_table_names.h"
#include "catalogue/table_keys.h"
#include "catalogue/table_structure.h"
#include "platform/database.h"
#include "transfer/identifiers.h"
#include "transfer/sqlserver_insert.h"
#include "transfer/sqlserver_mapping.h"
#include "transfer/structure_statements.h"

namespace tess {
namespace {

constexpr size_t kSqlServerBulkBatch = 500;
constexpr size_t kSqlServerMaxNameCharacters = 128;  // sysname

class SqlServerDirection : public TransferDirection {
public:
    SqlServerDirection(SqlServerTableNames* names, bool keys) : names_(names), keys_(keys) {}

    std::unique_ptr<Recordset> openSource(Connection& firebird, const std::string& table) const override {
        return firebird.openRecordset("SELECT * FROM " + FirebirdName(table));
    }
    long long countSource(Connection& firebird, const std::string& table) const override {
        return firebird.countRows("SELECT * FROM " + FirebirdName(table));
    }
    std::vector<std::string> sourceKey(Connection& firebird, const std::string& table) const override {
        return FirebirdKeyColumns(firebird, table);
    }
    std::string dropStatement(const std::string& listed) const override {
        return "DROP TABLE " + SqlServerObjectName(names_, listed);
    }
    void readStructure(Connection& firebird, const std::string& table) override {
        if (keys_) structure_ = ReadStructure([&] { return ReadFirebirdStructure(firebird, table); });
    }
    std::string createStatement(const std::string& table, const std::vector<SourceColumn>& columns) override {
        timeOnly_ = TimeOnlyColumns(columns);
        columnList_.clear();
        identity_.clear();
        if (!structure_) return MapColumnsToSqlServer(table, columns);
        const SqlServerKeyFacts keys{structure_->identity, KeyedColumns(*structure_, columns)};
        std::vector<std::string> types;
        for (const auto& c : columns) types.push_back(SqlServerColumnType(c, keys));
        plans_[table] = SqlServerStructurePlan(table, *structure_, StructureColumns(columns, types), names_taken_);
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].name == keys.identity && CanBeIdentity(types[i])) identity_ = keys.identity;
        // An identity column takes the copied values only when the INSERT names the columns.
        if (!identity_.empty()) columnList_ = SqlServerColumnList(columns);
        structure_.reset();
        return MapColumnsToSqlServer(table, columns, keys);
    }
    std::vector<std::string> beforeRows(const std::string& table) const override { return IdentityInsert(table, "ON"); }
    std::vector<std::string> afterRows(const std::string& table) const override { return IdentityInsert(table, "OFF"); }
    std::optional<StructurePlan> takeStructurePlan(const std::string& table) override { return TakePlan(plans_, table); }
    Statement insertStatement(const std::string& table, const std::vector<Value>& row) const override {
        return RenderSqlServerInsert(table, row, timeOnly_, columnList_);
    }
    // SQL Server keeps autocommit: a conversion error there can roll back a whole open transaction.
    long long rowsPerCommit(bool) const override { return 0; }
    std::string bulkStatement(const std::string& table, size_t columns) const override {
        return SqlServerBulkInsert(table, columns, columnList_);
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
    std::vector<std::string> IdentityInsert(const std::string& table, const char* onOrOff) const {
        if (identity_.empty()) return {};
        return {"SET IDENTITY_INSERT " + SqlServerName(table) + " " + onOrOff};
    }
    static std::set<std::string> KeyedColumns(const TableStructure& s, const std::vector<SourceColumn>& columns) {
        std::set<std::string> keyed;
        for (const auto& c : columns)
            if (s.indexesColumn(c.name)) keyed.insert(c.name);
        return keyed;
    }

    SqlServerTableNames* names_;
    bool keys_;
    std::vector<bool> timeOnly_;
    std::optional<TableStructure> structure_;  // of the table about to be created
    std::map<std::string, StructurePlan> plans_;
    ConstraintNames names_taken_{kSqlServerMaxNameCharacters};
    std::string identity_;    // of the table being written
    std::string columnList_;  // its INSERTs name the columns when it has an identity
};

}  // namespace

std::unique_ptr<TransferDirection> ToSqlServer(SqlServerTableNames* names, bool keys) {
    return std::make_unique<SqlServerDirection>(names, keys);
}

}  // namespace tess
