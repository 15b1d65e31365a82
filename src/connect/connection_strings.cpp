#include "connect/connection_strings.h"

#include "common/connection_text.h"
#include "platform/database.h"

namespace tess {

std::string SqlServerConnectionString(const SqlServerLogin& login) {
    std::string server = login.server;
    if (!login.localConnection) server += "," + login.port;
    auto quote = [](const std::string& v) { return QuoteConnectionValue(v, kOdbcSpecials); };
    return "Driver={SQL Server};Server=" + quote(server) + ";Database=" + quote(login.database) +
           ";Uid=" + quote(login.user) + ";Pwd=" + quote(login.password) + ";";
}

std::string FirebirdConnectionString(const FirebirdLogin& login) {
    auto quote = [](const std::string& v) { return QuoteConnectionValue(v, kFirebirdSpecials); };
    const std::string user = quote(login.user);
    return "Provider=MSDASQL.1;Password=" + quote(login.password) +
           ";Persist Security Info=true;User ID=" + user + ";Extended " +
           "Properties='Driver=Firebird/InterBase(r) driver;Dbname=" + quote(login.database) + " " +
           ";CHARSET=" + quote(login.charset) + ";UID=" + user + ";Role=" + quote(login.role) + "'";
}

ConnectionSettings SqlServerSettings(const SqlServerLogin& login) {
    return ConnectionSettings(SqlServerConnectionString(login), login);
}

ConnectionSettings FirebirdSettings(const FirebirdLogin& login) {
    return ConnectionSettings(FirebirdConnectionString(login), login);
}

namespace {

bool OpensWith(Database& database, const ConnectionSettings& settings) {
    try {
        auto connection = database.createConnection();
        connection->open(settings);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

bool TestSqlServerConnection(Database& database, const SqlServerLogin& login) {
    return OpensWith(database, SqlServerSettings(login));
}

bool TestFirebirdConnection(Database& database, const FirebirdLogin& login) {
    return OpensWith(database, FirebirdSettings(login));
}

}  // namespace tess
