#include "transfer/table_plan.h"

#include "transfer/firebird_insert.h"
#include "transfer/sqlserver_insert.h"

namespace tess {

Statement LiteralInsert(const TablePlan& plan, const std::vector<Value>& row) {
    if (const auto* f = std::get_if<FirebirdRows>(&plan.rows))
        return RenderFirebirdInsert(f->table, f->definition.numeric, row, f->definition.dateOnly);
    const auto& s = std::get<SqlServerRows>(plan.rows);
    return RenderSqlServerInsert(s.table, row, s.timeOnly, s.columnList);
}

std::vector<Value> BoundValues(const TablePlan& plan, const std::vector<Value>& row) {
    if (const auto* f = std::get_if<FirebirdRows>(&plan.rows))
        return FirebirdBulkValues(f->definition.numeric, row, f->definition.dateOnly, f->definition.moment);
    return SqlServerBulkValues(row, std::get<SqlServerRows>(plan.rows).timeOnly);
}

std::string BlockInsert(const TablePlan& plan, size_t rows) {
    return FirebirdBlockInsert(std::get<FirebirdRows>(plan.rows).block, rows);
}

void AppendBlockValues(const TablePlan& plan, const std::vector<Value>& row, std::vector<Value>& values) {
    AppendFirebirdBlockValues(std::get<FirebirdRows>(plan.rows).block, BoundValues(plan, row), values);
}

}  // namespace tess
