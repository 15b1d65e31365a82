#include "transfer/structure_statements.h"

#include <algorithm>
#include <cctype>
#include <functional>

#include "catalogue/ado_type_name.h"
#include "common/sql_literal.h"
#include "platform/database.h"
#include "common/text_case.h"
#include "common/text_codec.h"
#include "transfer/firebird_mapping.h"
#include "transfer/identifiers.h"

namespace tess {
namespace {

bool Has(const std::string& type, const char* word) { return type.find(word) != std::string::npos; }

enum class Kind { kText, kNumber, kDate, kTime, kTimestamp, kOther };

Kind KindOf(const std::string& targetType) {
    const std::string t = LowerCase(targetType);
    if (Has(t, "char") || Has(t, "sub_type text")) return Kind::kText;
    if (t == "date") return Kind::kDate;
    if (t == "time") return Kind::kTime;
    if (Has(t, "time")) return Kind::kTimestamp;
    if (Has(t, "blob") || Has(t, "binary")) return Kind::kOther;
    return Kind::kNumber;
}

// How one target writes what the plan needs.
struct TargetSyntax {
    std::function<std::string(const std::string&)> name;
    std::function<std::string(const std::string& table, const StructureColumn&)> notNull;
    std::function<std::string(const std::string& table, const std::string& column, const std::string&)> setDefault;
    std::function<std::string(const std::string& table, const IndexDefinition&)> index;
    std::function<std::string(const std::string&)> text;  // a quoted text literal
    // SQL Server's identity columns are NOT NULL by being one, and refuse ALTER COLUMN.
    std::function<bool(const StructureColumn&, const TableStructure&)> isIdentity =
        [](const StructureColumn&, const TableStructure&) { return false; };
};

// The default as the target column takes it; nothing when it would mean something else there.
std::optional<std::string> DefaultClause(const DefaultValue& value, const StructureColumn& column,
                                         const TargetSyntax& syntax) {
    const Kind kind = KindOf(column.targetType);
    const std::string word = LowerCase(value.text);
    const bool moment = value.kind == DefaultValue::kCurrentTimestamp || value.kind == DefaultValue::kCurrentDate ||
                        (value.kind == DefaultValue::kText && column.sourceIsDate && (word == "now" || word == "today"));
    if (moment) {
        if (kind == Kind::kTime) return "CURRENT_TIME";
        if (kind != Kind::kDate && kind != Kind::kTimestamp) return std::nullopt;
        const bool dateOnly = kind == Kind::kDate || value.kind == DefaultValue::kCurrentDate || word == "today";
        return dateOnly ? "CURRENT_DATE" : "CURRENT_TIMESTAMP";
    }
    if (column.sourceIsDate || (kind != Kind::kText && kind != Kind::kNumber))
        return std::nullopt;  // a date's text is each side's own
    if (kind == Kind::kText) return syntax.text(value.text);
    if (value.kind == DefaultValue::kNumber) return value.text;
    return std::nullopt;
}

std::string ColumnList(const std::vector<std::string>& columns, const TargetSyntax& syntax) {
    std::string list;
    for (const auto& c : columns) list += (list.empty() ? "" : ", ") + syntax.name(c);
    return list;
}

std::string Named(const std::string& what, const std::string& name, const std::vector<std::string>& columns) {
    std::string list;
    for (const auto& c : columns) list += (list.empty() ? "" : ", ") + c;
    return what + (name.empty() ? "" : " " + name) + " (" + list + ")";
}

std::string Constraint(const std::string& name, const TargetSyntax& syntax) {
    return name.empty() ? "" : "CONSTRAINT " + syntax.name(name) + " ";
}

const StructureColumn* Find(const std::vector<StructureColumn>& columns, const std::string& name) {
    for (const auto& c : columns)
        if (c.name == name) return &c;
    return nullptr;
}

void AddNotNullAndDefaults(const std::string& table, const TableStructure& s, const std::vector<StructureColumn>& columns,
                           const TargetSyntax& syntax, StructurePlan& plan) {
    std::vector<std::string> notNull = s.notNull;
    if (s.primaryKey)  // both targets want a key's columns NOT NULL, which SQLite's need not be
        for (const auto& c : s.primaryKey->columns)
            if (std::find(notNull.begin(), notNull.end(), c) == notNull.end()) notNull.push_back(c);
    for (const auto& name : notNull)
        if (const auto* column = Find(columns, name); column && !syntax.isIdentity(*column, s))
            plan.statements.push_back({"NOT NULL on " + name, syntax.notNull(table, *column),
                                       "SELECT COUNT(*) FROM " + syntax.name(table) + " WHERE " + syntax.name(name) +
                                           " IS NULL HAVING COUNT(*) > 0",
                                       "rows without a value"});
    for (const auto& [name, value] : s.defaults) {
        const auto* column = Find(columns, name);
        const auto clause = column ? DefaultClause(value, *column, syntax) : std::nullopt;
        if (clause) plan.statements.push_back({"default of " + name, syntax.setDefault(table, name, *clause)});
        else plan.notCarried.push_back("default of " + name + " (" + (value.text.empty() ? "the moment of the insert" : value.text) +
                                       "), which the column's type here does not take");
    }
}

StructureStatement Key(const std::string& table, const char* kind, const KeyDefinition& key, const TargetSyntax& syntax,
                       ConstraintNames& names) {
    const std::string name = names.take(key.name), list = ColumnList(key.columns, syntax);
    std::string what = kind;
    for (char& c : what) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (what == "unique") what = "unique constraint";
    return {Named(what, name, key.columns),
            "ALTER TABLE " + syntax.name(table) + " ADD " + Constraint(name, syntax) + kind + " (" + list + ")",
            "SELECT " + list + ", COUNT(*) FROM " + syntax.name(table) + " GROUP BY " + list + " HAVING COUNT(*) > 1",
            "values held by more than one row (with the number of rows)"};
}

void AddKeysAndIndexes(const std::string& table, const TableStructure& s, const TargetSyntax& syntax,
                       ConstraintNames& names, StructurePlan& plan) {
    if (s.primaryKey) plan.statements.push_back(Key(table, "PRIMARY KEY", *s.primaryKey, syntax, names));
    for (const auto& key : s.uniques) plan.statements.push_back(Key(table, "UNIQUE", key, syntax, names));
    int unnamed = 0;
    for (IndexDefinition index : s.indexes) {
        index.name = names.take(index.name.empty() ? "IX_" + table + "_" + std::to_string(++unnamed) : index.name);
        plan.statements.push_back({Named(index.unique ? "unique index" : "index", index.name, index.columns),
                                   syntax.index(table, index)});
    }
}

void AddForeignKeys(const std::string& table, const TableStructure& s, const TargetSyntax& syntax,
                    ConstraintNames& names, StructurePlan& plan) {
    for (const auto& key : s.foreignKeys) {
        const std::string name = names.take(key.name);
        std::string sql = "ALTER TABLE " + syntax.name(table) + " ADD " + Constraint(name, syntax) + "FOREIGN KEY (" +
                          ColumnList(key.columns, syntax) + ") REFERENCES " + syntax.name(key.referencedTable) + " (" +
                          ColumnList(key.referencedColumns, syntax) + ")";
        if (key.onUpdate != "NO ACTION") sql += " ON UPDATE " + key.onUpdate;
        if (key.onDelete != "NO ACTION") sql += " ON DELETE " + key.onDelete;
        std::string orphans = "SELECT DISTINCT ", present, match;
        for (size_t i = 0; i < key.columns.size() && i < key.referencedColumns.size(); ++i) {
            const std::string column = "C." + syntax.name(key.columns[i]);
            orphans += (i ? ", " : "") + column;
            present += (i ? " AND " : "") + column + " IS NOT NULL";
            match += (i ? " AND " : "") + ("P." + syntax.name(key.referencedColumns[i])) + " = " + column;
        }
        orphans += " FROM " + syntax.name(table) + " C WHERE " + present + " AND NOT EXISTS (SELECT 1 FROM " +
                   syntax.name(key.referencedTable) + " P WHERE " + match + ")";
        plan.foreignKeys.push_back({Named("foreign key", name, key.columns) + " to " + key.referencedTable, sql, orphans,
                                    "values that no row of " + key.referencedTable + " holds"});
    }
}

StructurePlan Plan(const std::string& table, const TableStructure& s, const std::vector<StructureColumn>& columns,
                   const TargetSyntax& syntax, ConstraintNames& names) {
    StructurePlan plan;
    plan.notCarried = s.notCarried;
    AddNotNullAndDefaults(table, s, columns, syntax, plan);
    AddKeysAndIndexes(table, s, syntax, names, plan);
    AddForeignKeys(table, s, syntax, names, plan);
    return plan;
}

// The identity column's type, when the target could make one of it; else it is said.
const StructureColumn* IdentityColumn(const TableStructure& s, const std::vector<StructureColumn>& columns,
                                      StructurePlan& plan) {
    if (s.identity.empty()) return nullptr;
    const StructureColumn* column = Find(columns, s.identity);
    if (column && CanBeIdentity(column->targetType)) return column;
    plan.notCarried.push_back("identity " + s.identity + ", whose type here is not a whole number");
    return nullptr;
}

}  // namespace

std::string ConstraintNames::take(const std::string& wanted) {
    if (wanted.empty()) return wanted;
    for (int n = 1;; ++n) {
        const std::string suffix = n == 1 ? "" : "_" + std::to_string(n);
        std::string name = wanted.substr(0, maxBytes_ - suffix.size());
        // Not within a character: the cut falls before a byte that continues one.
        while (!name.empty() && name.size() < wanted.size() && (static_cast<unsigned char>(wanted[name.size()]) & 0xC0) == 0x80)
            name.pop_back();
        name += suffix;
        if (taken_.insert(LowerCase(name)).second) return name;
    }
}

bool CanBeIdentity(const std::string& targetType) {
    const std::string t = LowerCase(targetType);
    return t == "smallint" || t == "integer" || t == "int" || t == "bigint" ||
           (Has(t, "numeric(") && Has(t, ",0)")) || (Has(t, "decimal(") && Has(t, ",0)"));
}

StructurePlan FirebirdStructurePlan(const std::string& table, const TableStructure& structure,
                                    const std::vector<StructureColumn>& columns, FirebirdStructureTarget target,
                                    ConstraintNames& names) {
    const int dialect = target.dialect;
    TargetSyntax syntax;
    syntax.name = [dialect](const std::string& n) { return FirebirdNameFor(n, dialect); };
    syntax.notNull = [&](const std::string& t, const StructureColumn& c) {
        return "ALTER TABLE " + syntax.name(t) + " ALTER COLUMN " + syntax.name(c.name) + " SET NOT NULL";
    };
    syntax.setDefault = [&](const std::string& t, const std::string& c, const std::string& clause) {
        return "ALTER TABLE " + syntax.name(t) + " ALTER COLUMN " + syntax.name(c) + " SET DEFAULT " + clause;
    };
    syntax.index = [&](const std::string& t, const IndexDefinition& i) {
        return std::string("CREATE ") + (i.unique ? "UNIQUE " : "") + (i.descending ? "DESCENDING " : "") + "INDEX " +
               syntax.name(i.name) + " ON " + syntax.name(t) + " (" + ColumnList(i.columns, syntax) + ")";
    };
    syntax.text = [](const std::string& text) { return QuotedLiteral(text); };
    StructurePlan plan = Plan(table, structure, columns, syntax, names);
    if (const auto* identity = IdentityColumn(structure, columns, plan)) {
        // Firebird 3 gives RESTART WITH's value plus one next; Firebird 4 gives the value itself.
        // R = N + 1 is computed either way: after the largest value it fails with the engine's
        // overflow, and the identity is reported not continued; Firebird 3's generator would wrap
        // round to the smallest BIGINT instead. Dialect 1 has no BIGINT, and its arithmetic gives
        // doubles ("41.000"), which RESTART WITH refuses: there R is an INTEGER variable.
        const std::string column = syntax.name(identity->name), name = syntax.name(table);
        const std::string type = dialect == 1 ? "INTEGER" : "BIGINT";
        std::string restart;
        AppendDoublingQuotes(restart, "ALTER TABLE " + name + " ALTER COLUMN " + column + " RESTART WITH ");
        plan.statements.push_back(
            {"identity " + identity->name + ", continuing after the largest value",
             "EXECUTE BLOCK AS DECLARE N " + type + "; DECLARE R " + type + "; BEGIN SELECT MAX(" + column +
                 ") FROM " + name + " INTO :N; IF (N IS NOT NULL) THEN BEGIN R = N + 1; " +
                 (target.engineMajorVersion >= 4 ? "" : "R = R - 1; ") + "EXECUTE STATEMENT '" + restart +
                 "' || R; END END"});
    }
    return plan;
}

StructurePlan SqlServerStructurePlan(const std::string& table, const TableStructure& structure,
                                     const std::vector<StructureColumn>& columns, ConstraintNames& names) {
    TargetSyntax syntax;
    syntax.name = [](const std::string& n) { return SqlServerName(n); };
    syntax.notNull = [](const std::string& t, const StructureColumn& c) {
        return "ALTER TABLE " + SqlServerName(t) + " ALTER COLUMN " + SqlServerName(c.name) + " " + c.targetType +
               " NOT NULL";
    };
    syntax.setDefault = [](const std::string& t, const std::string& c, const std::string& clause) {
        return "ALTER TABLE " + SqlServerName(t) + " ADD DEFAULT " + clause + " FOR " + SqlServerName(c);
    };
    syntax.index = [](const std::string& t, const IndexDefinition& i) {
        std::string list;
        for (const auto& c : i.columns) list += (list.empty() ? "" : ", ") + SqlServerName(c) + (i.descending ? " DESC" : "");
        return std::string("CREATE ") + (i.unique ? "UNIQUE " : "") + "INDEX " + SqlServerName(i.name) + " ON " +
               SqlServerName(t) + " (" + list + ")";
    };
    syntax.isIdentity = [](const StructureColumn& c, const TableStructure& s) {
        return c.name == s.identity && CanBeIdentity(c.targetType);
    };
    syntax.text = [](const std::string& text) {
        return (IsAscii(text) ? "" : "N") + QuotedLiteral(text);
    };
    StructurePlan plan = Plan(table, structure, columns, syntax, names);
    // The copied values went in as they were (IDENTITY_INSERT); the next one follows the largest.
    if (const auto* identity = IdentityColumn(structure, columns, plan)) {
        std::string object;
        AppendDoublingQuotes(object, SqlServerName(table));
        plan.statements.push_back({"identity " + identity->name + ", continuing after the largest value",
                                   "DBCC CHECKIDENT (N'" + object + "', RESEED)"});
    }
    return plan;
}

TableStructure ReadStructure(const std::function<TableStructure()>& read) {
    try {
        return read();
    } catch (const std::exception& e) {  // whatever it was, the rows are still copied
        TableStructure unread;
        unread.notCarried.push_back("keys, indexes, defaults and the identity: the source's catalogue could not be read (" +
                                    std::string(e.what()) + ")");
        return unread;
    }
}

std::vector<StructureColumn> StructureColumns(const std::vector<SourceColumn>& columns,
                                              const std::vector<std::string>& targetTypes) {
    std::vector<StructureColumn> out;
    for (size_t i = 0; i < columns.size() && i < targetTypes.size(); ++i) {
        const std::string type = LowerAdoTypeName(columns[i].type);
        out.push_back({columns[i].name, targetTypes[i], Has(type, "date") || Has(type, "time")});
    }
    return out;
}

}  // namespace tess
