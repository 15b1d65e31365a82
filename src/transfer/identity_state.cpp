#include "transfer/identity_state.h"

#include <cmath>

#include "common/sql_literal.h"
#include "platform/database.h"
#include "transfer/identifiers.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

// A whole number as either dialect gives it: BIGINT, or a double in dialect 1.
std::optional<long long> Whole(const Value& v) {
    if (const auto* n = std::get_if<std::int64_t>(&v)) return *n;
    if (const auto* d = std::get_if<Floating>(&v)) return static_cast<long long>(std::llround(d->value));
    const std::string* t = std::get_if<std::string>(&v);
    if (const auto* d = std::get_if<Decimal>(&v)) t = &d->text;  // IDENT_CURRENT's NUMERIC(38, 0)
    if (t) {
        try {
            return std::stoll(*t);
        } catch (const std::exception&) {
        }
    }
    return std::nullopt;
}

// One row of whole numbers, or nothing when the query cannot be answered.
std::optional<std::vector<std::optional<long long>>> Numbers(Connection& c, const std::string& query,
                                                             const std::vector<Value>& parameters = {}) {
    try {
        auto rows = parameters.empty() ? c.openRecordset(query) : c.openRecordsetWith(query, parameters);
        if (rows->eof()) return std::nullopt;
        std::vector<std::optional<long long>> out;
        for (int i = 0; i < rows->fieldCount(); ++i) out.push_back(IsNull(rows->value(i)) ? std::nullopt : Whole(rows->value(i)));
        rows->close();
        return out;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::string> Stalls(const std::string& column, long long next, std::optional<long long> largest) {
    if (!largest || next > *largest) return std::nullopt;
    return "identity " + column + " continuing after the largest value (it gives " + std::to_string(next) +
           " next; the largest is " + std::to_string(*largest) + ")";
}

}  // namespace

std::optional<std::string> FirebirdIdentityStalls(Connection& firebird, const std::string& table,
                                                  const std::string& column) {
    std::string generator;
    long long increment = 1;
    try {
        auto rows = firebird.openRecordsetWith(
            "SELECT TRIM(G.RDB$GENERATOR_NAME), G.RDB$GENERATOR_INCREMENT FROM RDB$RELATION_FIELDS F JOIN "
            "RDB$GENERATORS G ON G.RDB$GENERATOR_NAME = F.RDB$GENERATOR_NAME WHERE F.RDB$RELATION_NAME = CAST(? AS VARCHAR(252)) "
            "AND F.RDB$FIELD_NAME = CAST(? AS VARCHAR(252))",
            {table, column});
        if (rows->eof()) return std::nullopt;
        generator = ValueText(rows->value(0));
        increment = Whole(rows->value(1)).value_or(1);
        rows->close();
    } catch (const std::exception&) {
        return std::nullopt;
    }
    // What the generator holds now, plus its step, is what an insert gets next.
    const auto numbers = Numbers(firebird, "SELECT GEN_ID(" + FirebirdName(generator) + ", 0), (SELECT MAX(" +
                                               FirebirdName(column) + ") FROM " + FirebirdName(table) +
                                               ") FROM RDB$DATABASE");
    if (!numbers || !(*numbers)[0]) return std::nullopt;
    return Stalls(column, *(*numbers)[0] + increment, (*numbers)[1]);
}

std::optional<std::string> SqlServerIdentityStalls(Connection& sqlServer, const std::string& schema,
                                                   const std::string& table, const std::string& column) {
    const std::string object = (schema.empty() ? "" : SqlServerName(schema) + ".") + SqlServerName(table);
    const auto numbers = Numbers(sqlServer,
                                 "SELECT IDENT_CURRENT(?), IDENT_INCR(?), (SELECT MAX(" + SqlServerName(column) +
                                     ") FROM " + object + ")",
                                 {object, object});
    if (!numbers || !(*numbers)[0]) return std::nullopt;
    return Stalls(column, *(*numbers)[0] + (*numbers)[1].value_or(1), (*numbers)[2]);
}

}  // namespace tess
