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
    SqlServerDirection(SqlServerTableNames* names, bool keys, std::optional<ConstraintNames>& namesTaken)
        : names_(names), keys_(keys), namesTaken_(namesTaken) {
        if (!namesTaken_) namesTaken_.emplace(kSqlServerMaxNameCharacters);
    }

    std::unique_ptr<Recordset> openSource(Connection& firebird, const std::string& table) const override {
        return firebird.openRecordset("SELECT * FROM " + FirebirdName(table));
    }
    long long countSource(Connection& firebird, const std::string& table) const override {
        return firebird.countRows("SELECT * FROM " + FirebirdName(table));
    }
    std::string dropStatement(const std::string& listed) const override {
        return "DROP TABLE " + SqlServerObjectName(names_, listed);
    }
    SourceFacts readSource(Connection& firebird, const std::string& table, bool key) override {
        SourceFacts facts;
        if (key) facts.key = FirebirdKeyColumns(firebird, table);
        if (keys_) facts.structure = ReadStructure([&] { return ReadFirebirdStructure(firebird, table); });
        return facts;
    }
    // SQL Server keeps autocommit: a conversion error there can roll back a whole open transaction.
    // Bulk rows go in arrays of several hundred, each in a transaction of its own; SQL Server may
    // abort the whole of it for one refused row, so a failed array is rolled back and written again
    // row by row.
    TablePlan plan(const std::string& table, const std::vector<SourceColumn>& columns, SourceFacts source,
                   bool) override {
        TablePlan plan;
        SqlServerRows rows{table, TimeOnlyColumns(columns), {}};
        if (source.structure) {
            const std::string identity = planKeys(table, columns, *source.structure, plan);
            // An identity column takes the copied values only when the INSERT names the columns.
            if (!identity.empty()) rows.columnList = SqlServerColumnList(columns);
            plan.beforeRows = IdentityInsert(table, identity, "ON");
            plan.afterRows = IdentityInsert(table, identity, "OFF");
        } else {
            plan.create = MapColumnsToSqlServer(table, columns);
        }
        plan.bulkInsert = SqlServerBulkInsert(table, columns.size(), rows.columnList);
        plan.bulkBatch = kSqlServerBulkBatch;
        plan.rows = std::move(rows);
        return plan;
    }

    // A table we create is of the default schema, whatever an earlier entry of its text was.
    void targetListChanged(const std::string& entry) override {
        if (names_) names_->removed(entry);
    }

private:
    static std::vector<std::string> IdentityInsert(const std::string& table, const std::string& identity,
                                                   const char* onOrOff) {
        if (identity.empty()) return {};
        return {"SET IDENTITY_INSERT " + SqlServerName(table) + " " + onOrOff};
    }
    // The CREATE with the source's identity and key column types, and the keys made after the
    // rows; the identity column, when one can be.
    std::string planKeys(const std::string& table, const std::vector<SourceColumn>& columns,
                         const TableStructure& structure, TablePlan& plan) {
        const SqlServerKeyFacts keys{structure.identity, KeyedColumns(structure, columns)};
        std::vector<std::string> types;
        for (const auto& c : columns) types.push_back(SqlServerColumnType(c, keys));
        plan.create = MapColumnsToSqlServer(table, columns, keys);
        plan.structure = SqlServerStructurePlan(table, structure, StructureColumns(columns, types), *namesTaken_);
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].name == keys.identity && CanBeIdentity(types[i])) return keys.identity;
        return {};
    }
    static std::set<std::string> KeyedColumns(const TableStructure& s, const std::vector<SourceColumn>& columns) {
        std::set<std::string> keyed;
        for (const auto& c : columns)
            if (s.indexesColumn(c.name)) keyed.insert(c.name);
        return keyed;
    }

    SqlServerTableNames* names_;
    bool keys_;
    std::optional<ConstraintNames>& namesTaken_;  // by the keys of every table of the run, the run's
};

}  // namespace

std::unique_ptr<TransferDirection> ToSqlServer(SqlServerTableNames* names, bool keys,
                                               std::optional<ConstraintNames>& namesTaken) {
    return std::make_unique<SqlServerDirection>(names, keys, namesTaken);
}

}  // namespace tess
