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

// Each blob column of a block takes a short marker beside its blob (`firebird_block.h`).
void ShapeBlobMarkers(FirebirdBlockShape& block, const FirebirdTableDefinition& definition) {
    for (size_t c = 0; c < definition.types.size(); ++c) {
        const std::string& type = definition.types[c];
        const bool blob = type.rfind("BLOB", 0) == 0;
        block.kinds.push_back(!blob                                            ? BlockColumn::kPlain
                              : type.rfind("BLOB SUB_TYPE TEXT", 0) == 0 ? BlockColumn::kTextBlob
                                                                         : BlockColumn::kBinaryBlob);
        block.markerBytes.push_back(static_cast<size_t>(definition.bytes[c]));
    }
    SizeFirebirdBlockInline(block);
}

// The fourth column is null for an attachment of the embedded engine, which has no link.
constexpr const char* kTargetQuery =
    "SELECT TRIM(RDB$CHARACTER_SET_NAME), RDB$GET_CONTEXT('SYSTEM', 'ENGINE_VERSION'), "
    "(SELECT MON$SQL_DIALECT FROM MON$DATABASE), "
    "(SELECT MON$REMOTE_PROTOCOL FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION) "
    "FROM RDB$DATABASE";

class FirebirdDirection : public TransferDirection {
public:
    FirebirdDirection(Connection* firebird, const SqlServerTableNames* names, bool keys,
                      std::optional<ConstraintNames>& namesTaken)
        : firebird_(firebird), names_(names), keys_(keys), namesTaken_(namesTaken) {}

    std::unique_ptr<Recordset> openSource(Connection& sqlServer, const std::string& entry) const override {
        return sqlServer.openRecordset(sourceQuery(entry));
    }
    long long countSource(Connection& sqlServer, const std::string& entry) const override {
        return sqlServer.countRows(sourceQuery(entry));
    }
    // A table of another schema is created under its own name.
    std::string targetName(const std::string& entry) const override { return SqlServerTableOf(names_, entry).name; }
    std::string dropStatement(const std::string& listed) const override {
        return "DROP TABLE " + FirebirdNameFor(listed, target_ ? target_->dialect : 3);
    }
    // The key, the whole digits of the numbers wider than the target's, and with keys the structure.
    SourceFacts readSource(Connection& sqlServer, const std::string& entry, bool key) override {
        const SqlServerTable table = SqlServerTableOf(names_, entry);
        SourceFacts facts;
        if (key) facts.key = SqlServerKeyColumns(sqlServer, table.schema, table.name);
        const FirebirdTargetFacts& target = this->target();
        const bool dialectOne = target.dialect == 1;
        const int digits = dialectOne                         ? 9
                           : target.engineMajorVersion >= 4 ? kFirebird4MaxPrecision
                                                              : kFirebirdMaxPrecision;
        facts.wholeDigits = MeasureWideNumbers(sqlServer, table.schema, table.name, SqlServerObjectName(names_, entry),
                                               digits, dialectOne);
        if (keys_)
            facts.structure = ReadStructure([&] { return ReadSqlServerStructure(sqlServer, table.schema, table.name); });
        return facts;
    }
    // Rows commit every 10,000 (every 100,000 in bulk, where each costs a tenth as much). Blocks
    // save round trips, of which the embedded engine has none, and cost it a compile a table and
    // more work a row the longer they are (in process: 200 tables of 100 rows 1.5 times slower in
    // blocks than a row at a time; 100,000 rows in blocks of 255, 1.4 times): in process the rows
    // go one at a time.
    TablePlan plan(const std::string& table, const std::vector<SourceColumn>& columns, SourceFacts source,
                   bool bulk) override {
        FirebirdTargetFacts facts = target();
        facts.wholeDigits = std::move(source.wholeDigits);
        if (source.structure) facts.identity = source.structure->identity;
        FirebirdRows rows{table, MapColumnsToFirebird(table, columns, facts), blockShape(table, columns)};
        ShapeBlobMarkers(rows.block, rows.definition);
        TablePlan plan;
        plan.create = rows.definition.createStatement;
        plan.rowsPerCommit = bulk ? kFirebirdBulkRowsPerCommit : kFirebirdRowsPerCommit;
        plan.bulkInsert = FirebirdBulkInsert(table, columns.size());
        if (!inProcess_)
            plan.blockRows =
                FirebirdBlockRows(rows.block, beforeThree_ ? kFirebirdOldMostStatementBytes : kFirebirdBlockMostBytes);
        if (source.structure) {
            if (!namesTaken_)
                namesTaken_.emplace(facts.engineMajorVersion >= 4 ? kFirebird4MaxNameCharacters : kFirebirdMaxNameBytes);
            plan.structure = FirebirdStructurePlan(table, *source.structure,
                                                   StructureColumns(columns, rows.definition.types),
                                                   {facts.dialect, facts.engineMajorVersion}, *namesTaken_);
        }
        plan.rows = std::move(rows);
        return plan;
    }

private:
    std::string sourceQuery(const std::string& entry) const {
        return "SELECT * FROM " + SqlServerObjectName(names_, entry);
    }
    FirebirdBlockShape blockShape(const std::string& table, const std::vector<SourceColumn>& columns) const {
        const int dialect = target_ ? target_->dialect : 3;
        FirebirdBlockShape shape;
        shape.table = FirebirdNameFor(table, dialect);
        for (const SourceColumn& c : columns) shape.columns.push_back(FirebirdNameFor(c.name, dialect));
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
    std::optional<ConstraintNames>& namesTaken_;  // by the keys of every table of the run, the run's
    std::optional<FirebirdTargetFacts> target_;
    bool beforeThree_ = false;              // the target's engine is older than Firebird 3
    bool inProcess_ = false;                // the target is attached through the embedded engine
};

}  // namespace

std::unique_ptr<TransferDirection> ToFirebird(Connection* firebird, const SqlServerTableNames* names, bool keys,
                                              std::optional<ConstraintNames>& namesTaken) {
    return std::make_unique<FirebirdDirection>(firebird, names, keys, namesTaken);
}

}  // namespace tess
