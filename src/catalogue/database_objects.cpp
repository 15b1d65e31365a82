#include "catalogue/database_objects.h"

#include <algorithm>
#include <cctype>

#include "catalogue/name_patterns.h"
#include "platform/database.h"

namespace tess {
namespace {

// The first column of each row, as text.
std::vector<std::string> Column(Connection& c, const std::string& query) {
    std::vector<std::string> out;
    auto rows = c.openRecordset(query);
    for (; !rows->eof(); rows->moveNext()) out.push_back(TextOrEmpty(rows->value(0)));
    rows->close();
    return out;
}

void Each(std::vector<std::string>& out, const char* kind, const std::vector<std::string>& names) {
    for (const auto& name : names) out.push_back(std::string(kind) + " " + name);
}

void Counted(std::vector<std::string>& out, const char* kind, const std::vector<std::string>& counts) {
    if (!counts.empty() && counts[0] != "0") out.push_back(std::string(kind) + " (" + counts[0] + ")");
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Generators that a BEFORE INSERT trigger feeds into a column: the copy makes those identities.
std::vector<std::string> FirebirdGeneratorsFeedingNoIdentity(Connection& firebird) {
    std::vector<std::string> feeding;
    for (const auto& body : Column(firebird, "SELECT RDB$TRIGGER_SOURCE FROM RDB$TRIGGERS WHERE RDB$TRIGGER_TYPE = 1 "
                                             "AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0"))
        if (GeneratorFedColumn(body)) feeding.push_back(Upper(body));
    std::vector<std::string> alone;
    for (const auto& generator : Column(firebird, "SELECT TRIM(RDB$GENERATOR_NAME) FROM RDB$GENERATORS WHERE "
                                                  "COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1"))
        if (std::none_of(feeding.begin(), feeding.end(),
                         [&](const std::string& body) { return body.find(Upper(generator)) != std::string::npos; }))
            alone.push_back(generator);
    return alone;
}

}  // namespace

std::vector<std::string> FirebirdObjectsNotCarried(Connection& firebird) {
    std::vector<std::string> out;
    const char* user = "COALESCE(RDB$SYSTEM_FLAG, 0) = 0";
    try {
        Each(out, "stored procedure", Column(firebird, std::string("SELECT TRIM(RDB$PROCEDURE_NAME) FROM RDB$PROCEDURES "
                                                                   "WHERE RDB$PACKAGE_NAME IS NULL AND ") + user + " ORDER BY 1"));
        Each(out, "exception", Column(firebird, std::string("SELECT TRIM(RDB$EXCEPTION_NAME) FROM RDB$EXCEPTIONS WHERE ") +
                                                    user + " ORDER BY 1"));
        Each(out, "generator", FirebirdGeneratorsFeedingNoIdentity(firebird));
        Each(out, "function", Column(firebird, std::string("SELECT TRIM(RDB$FUNCTION_NAME) FROM RDB$FUNCTIONS WHERE "
                                                           "RDB$PACKAGE_NAME IS NULL AND ") + user + " ORDER BY 1"));
        Each(out, "package", Column(firebird, std::string("SELECT TRIM(RDB$PACKAGE_NAME) FROM RDB$PACKAGES WHERE ") +
                                                  user + " ORDER BY 1"));
        Each(out, "role", Column(firebird, std::string("SELECT TRIM(RDB$ROLE_NAME) FROM RDB$ROLES WHERE ") + user +
                                               " ORDER BY 1"));
        // A column's own domain is named RDB$n by the engine; a domain of the user's has a name.
        Each(out, "domain", Column(firebird, std::string("SELECT TRIM(RDB$FIELD_NAME) FROM RDB$FIELDS WHERE ") + user +
                                                 " AND RDB$FIELD_NAME NOT STARTING WITH 'RDB$' ORDER BY 1"));
        // Grants on tables and views, and on procedures (object type 5), but the owners' own.
        Counted(out, "grants", Column(firebird, "SELECT CAST((SELECT COUNT(*) FROM RDB$USER_PRIVILEGES P "
                                                "JOIN RDB$RELATIONS R ON R.RDB$RELATION_NAME = P.RDB$RELATION_NAME "
                                                "WHERE P.RDB$OBJECT_TYPE = 0 AND P.RDB$USER <> R.RDB$OWNER_NAME AND "
                                                "COALESCE(R.RDB$SYSTEM_FLAG, 0) = 0) + (SELECT COUNT(*) FROM "
                                                "RDB$USER_PRIVILEGES P JOIN RDB$PROCEDURES X ON X.RDB$PROCEDURE_NAME "
                                                "= P.RDB$RELATION_NAME WHERE P.RDB$OBJECT_TYPE = 5 AND P.RDB$USER <> "
                                                "X.RDB$OWNER_NAME AND COALESCE(X.RDB$SYSTEM_FLAG, 0) = 0) AS "
                                                "VARCHAR(20)) FROM RDB$DATABASE"));
        Counted(out, "comments", Column(firebird, "SELECT CAST((SELECT COUNT(*) FROM RDB$RELATIONS WHERE "
                                                  "RDB$DESCRIPTION IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0) "
                                                  "+ (SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$DESCRIPTION "
                                                  "IS NOT NULL AND COALESCE(RDB$SYSTEM_FLAG, 0) = 0) AS VARCHAR(20)) "
                                                  "FROM RDB$DATABASE"));
    } catch (const std::exception&) {
        return {};
    }
    return out;
}

std::vector<std::string> SqlServerObjectsNotCarried(Connection& sqlServer) {
    std::vector<std::string> out;
    try {
        for (const auto& line : Column(sqlServer, "SELECT LOWER(REPLACE(type_desc, '_', ' ')) + ' ' + "
                                                  "SCHEMA_NAME(schema_id) + '.' + name FROM sys.objects WHERE "
                                                  "is_ms_shipped = 0 AND type IN ('P', 'FN', 'IF', 'TF', 'SO', "
                                                  "'SN', 'TR') ORDER BY type, name"))
            out.push_back(line);
        Each(out, "role", Column(sqlServer, "SELECT name FROM sys.database_principals WHERE type = 'R' AND "
                                            "is_fixed_role = 0 AND name <> 'public' ORDER BY name"));
        Counted(out, "grants", Column(sqlServer, "SELECT CAST(COUNT(*) AS VARCHAR(20)) FROM sys.database_permissions "
                                                 "WHERE class = 1 AND grantee_principal_id > 4"));
        Counted(out, "comments", Column(sqlServer, "SELECT CAST(COUNT(*) AS VARCHAR(20)) FROM sys.extended_properties "
                                                   "WHERE class = 1"));
    } catch (const std::exception&) {
        return {};
    }
    return out;
}

}  // namespace tess
