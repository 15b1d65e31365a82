#include "catalogue/sqlserver_table_names.h"

namespace tess {
namespace {

std::string Bracketed(const std::string& name) {
    std::string out = "[";
    for (char c : name) {
        out += c;
        if (c == ']') out += ']';
    }
    return out + "]";
}

}  // namespace

std::string SqlServerTableNames::listed(const std::string& schema, const std::string& table,
                                        const std::string& defaultSchema) {
    if (!defaultSchema.empty()) defaultSchema_ = defaultSchema;
    if (schema.empty() || schema == defaultSchema) return table;
    const std::string entry = schema + "." + table;
    others_[entry] = {schema, table};
    return entry;
}

SqlServerTable SqlServerTableNames::tableOf(const std::string& entry) const {
    const auto it = others_.find(entry);
    return it == others_.end() ? SqlServerTable{"", entry} : it->second;
}

std::string SqlServerTableNames::renamed(const std::string& oldEntry, const std::string& newName) {
    const SqlServerTable table = tableOf(oldEntry);
    others_.erase(oldEntry);
    return table.schema.empty() ? newName : listed(table.schema, newName, "");
}

std::string SqlServerTableNames::qualified(const std::string& entry) const {
    const SqlServerTable table = tableOf(entry);
    const std::string& schema = table.schema.empty() ? defaultSchema_ : table.schema;
    return schema.empty() ? table.name : schema + "." + table.name;
}

SqlServerTable SqlServerTableOf(const SqlServerTableNames* names, const std::string& entry) {
    return names ? names->tableOf(entry) : SqlServerTable{"", entry};
}

std::string SqlServerObjectName(const SqlServerTableNames* names, const std::string& entry) {
    const SqlServerTable table = SqlServerTableOf(names, entry);
    return table.schema.empty() ? Bracketed(table.name) : Bracketed(table.schema) + "." + Bracketed(table.name);
}

}  // namespace tess
