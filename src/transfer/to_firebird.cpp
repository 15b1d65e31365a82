#include "transfer/to_firebird.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "catalogue/sqlserver_table_names.h"
#include "catalogue/table_keys.h"
#include "catalogue/table_structure.h"
#include "platform/database.h"
#include "transfer/firebird_block.h"
#include "transfer/firebird_insert.h"
#include "transfer/firebird_mapping.h"
#include "transfer/identifiers.h"
#include "transfer/structure_statements.h"
#include "transfer/value_text.h"
#include "transfer/wide_numbers.h"

namespace tess {
namespace {

// The fourth column is null for an attachment of the embedded engine, which has no link.
constexpr const char* kTargetQuery =
    "SELECT TRIM(RDB$CHARACTER_SET_NAME), RDB$GET_CONTEXT('SYSTEM', 'ENGINE_VERSION'), "
    "(SELECT MON$SQL_DIALECT FROM MON$DATABASE), "
    "(SELECT MON$REMOTE_PROTOCOL FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION) "
    "FROM RDB$DATABASE";

class FirebirdDirection : public TransferDirection {
public:
    FirebirdDirection(Connection* firebird, const SqlServerTableNames* names, bool keys)
        : firebird_(firebird), names_(names), keys_(keys) {}

    std::unique_ptr<Recordset> openSource(Connection& sqlServer, const std::string& entry) const override {
        return sqlServer.openRecordset(sourceQuery(entry));
    }
    long long countSource(Connection& sqlServer, const std::string& entry) const override {
        return sqlServer.countRows(sourceQuery(entry));
    }
    std::vector<std::string> sourceKey(Connection& sqlServer, const std::string& entry) const override {
        const SqlServerTable table = SqlServerTableOf(names_, entry);
        return SqlServerKeyColumns(sqlServer, table.schema, table.name);
    }
    // A table of another schema is created under its own name.
    std::string targetName(const std::string& entry) const override { return SqlServerTableOf(names_, entry).name; }
    std::string dropStatement(const std::string& listed) const override {
        return "DROP TABLE " + FirebirdNameFor(listed, target_ ? target_->dialect : 3);
    }
    void measureSource(Connection& sqlServer, const std::string& entry) override {
        const SqlServerTable table = SqlServerTableOf(names_, entry);
        const FirebirdTargetFacts& facts = target();
        const bool dialectOne = facts.dialect == 1;
        const int digits = dialectOne                        ? 9
                           : facts.engineMajorVersion >= 4 ? kFirebird4MaxPrecision
                                                             : kFirebirdMaxPrecision;
        wholeDigits_ = MeasureWideNumbers(sqlServer, table.schema, table.name, SqlServerObjectName(names_, entry),
                                          digits, dialectOne);
    }
    void readStructure(Connection& sqlServer, const std::string& entry) override {
        if (!keys_) return;
        const SqlServerTable table = SqlServerTableOf(names_, entry);
        structure_ = ReadStructure([&] { return ReadSqlServerStructure(sqlServer, table.schema, table.name); });
    }
    std::string createStatement(const std::string& table, const std::vector<SourceColumn>& columns) override {
        FirebirdTargetFacts facts = target();
        facts.wholeDigits = std::move(wholeDigits_);
        wholeDigits_.clear();
        if (structure_) facts.identity = structure_->identity;
        definition_ = MapColumnsToFirebird(table, columns, facts);
        columnNames_.clear();
        for (const SourceColumn& c : columns) columnNames_.push_back(c.name);
        if (structure_) {
            if (!names_taken_) names_taken_.emplace(facts.engineMajorVersion >= 4 ? kFirebird4MaxNameCharacters
                                                                                  : kFirebirdMaxNameBytes);
            plans_[table] = FirebirdStructurePlan(table, *structure_, StructureColumns(columns, definition_.types),
                                                  {facts.dialect, facts.engineMajorVersion}, *names_taken_);
            structure_.reset();
        }
        return definition_.createStatement;
    }
    std::optional<StructurePlan> takeStructurePlan(const std::string& table) override {
        return TakePlan(plans_, table);
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
        return FirebirdBulkValues(definition_.numeric, row, definition_.dateOnly, definition_.moment);
    }
    // A block saves round trips, of which the embedded engine has none, and it costs the engine a
    // compile a table and more work a row the longer it is (measured in process: 200 tables of 100
    // rows 1.5 times slower in blocks than a row at a time; 100,000 rows in blocks of 255, 1.4
    // times): in process the rows go one at a time, as before there were blocks.
    size_t bulkBlockRows(const std::string& table) const override {
        if (inProcess_) return 0;
        return FirebirdBlockRows(blockShape(table),
                                 beforeThree_ ? kFirebirdOldMostStatementBytes : kFirebirdBlockMostBytes);
    }
    std::string bulkBlockStatement(const std::string& table, size_t rows) const override {
        return FirebirdBlockInsert(blockShape(table), rows);
    }

private:
    std::string sourceQuery(const std::string& entry) const {
        return "SELECT * FROM " + SqlServerObjectName(names_, entry);
    }
    FirebirdBlockShape blockShape(const std::string& table) const {
        const int dialect = target_ ? target_->dialect : 3;
        FirebirdBlockShape shape{FirebirdNameFor(table, dialect), {}};
        for (const std::string& c : columnNames_) shape.columns.push_back(FirebirdNameFor(c, dialect));
        return shape;
    }

    // Read once a run. A database that cannot say is taken to hold any text, and to be of
    // Firebird 3, whose limits are the narrower; its CREATE texts stay as plain as its own would be.
    const FirebirdTargetFacts& target() {
        if (!target_ && firebird_) {
            target_ = FirebirdTargetFacts{};
            try {
                auto rows = firebird_->openRecordset(kTargetQuery);
                const Value name = rows->eof() ? Value{} : rows->value(0);
                const Value version = rows->eof() ? Value{} : rows->value(1);
                const Value dialect = rows->eof() ? Value{} : rows->value(2);
                inProcess_ = !rows->eof() && rows->fieldCount() > 3 && IsNull(rows->value(3));
                rows->close();
                target_->dialect = ValueText(dialect) == "1" ? 1 : 3;
                target_->characterSet = ClassifyFirebirdCharacterSet(IsNull(name) ? "NONE" : ValueText(name));
                const int major = std::atoi(ValueText(version).c_str());
                target_->engineMajorVersion = std::max(3, major);
                beforeThree_ = major > 0 && major < 3;
            } catch (const std::exception&) {
            }
        }
        if (!target_) target_ = FirebirdTargetFacts{};
        return *target_;
    }

    Connection* firebird_;
    const SqlServerTableNames* names_;
    bool keys_;
    std::optional<TableStructure> structure_;  // of the table about to be created
    std::map<std::string, StructurePlan> plans_;
    std::optional<ConstraintNames> names_taken_;
    std::optional<FirebirdTargetFacts> target_;
    std::map<std::string, int> wholeDigits_;
    FirebirdTableDefinition definition_;
    std::vector<std::string> columnNames_;  // of the table just created
    bool beforeThree_ = false;              // the target's engine is older than Firebird 3
    bool inProcess_ = false;                // the target is attached through the embedded engine
};

}  // namespace

std::unique_ptr<TransferDirection> ToFirebird(Connection* firebird, const SqlServerTableNames* names, bool keys) {
    return std::make_unique<FirebirdDirection>(firebird, names, keys);
}

}  // namespace tess
