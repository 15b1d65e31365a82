#include "platform/odbc/driver_resolution.h"

#include <algorithm>
#include <stdexcept>

#include "common/connection_text.h"
#include "common/text_case.h"

namespace tess {
namespace {

constexpr const char* kDriver18 = "ODBC Driver 18 for SQL Server";
constexpr const char* kDriver17 = "ODBC Driver 17 for SQL Server";
constexpr const char* kFreeTds = "FreeTDS";
constexpr const char* kSubstitutes[] = {kDriver18, kDriver17, kFreeTds};

bool Installed(const std::vector<std::string>& drivers, const std::string& name) {
    return std::any_of(drivers.begin(), drivers.end(),
                       [&](const std::string& d) { return LowerCase(d) == LowerCase(name); });
}

// FreeTDS reads a braced value up to the first "}" that a ";" follows, and undoubles nothing
// (src/odbc/connectparams.c, odbc_parse_connect_string); an unbraced value ends at the first ";".
std::string FreeTdsValue(const std::string& key, const std::string& value) {
    if (value.find("};") != std::string::npos)
        throw std::invalid_argument("FreeTDS cannot take a " + key + " that holds \"};\".");
    if (value.find(';') == std::string::npos && (value.empty() || value.front() != '{')) return value;
    return "{" + value + "}";
}

// Microsoft's drivers read the ODBC form: braces, with "}" doubled inside them.
std::string OdbcValue(const std::string& /*key*/, const std::string& value) {
    return QuoteConnectionValue(value, kOdbcSpecials);
}

void Append(std::string& text, const std::string& key, const std::string& value) {
    text += key + "=" + value + ";";
}

// The "Server=" value of the program's text: the port follows a comma unless the connection is local.
std::string ServerValue(const SqlServerLogin& login) {
    return login.localConnection ? login.server : login.server + "," + login.port;
}

void AppendLogin(std::string& text, const SqlServerLogin& login, std::string (*quote)(const std::string&, const std::string&)) {
    Append(text, "Database", quote("Database", login.database));
    Append(text, "Uid", quote("Uid", login.user));
    Append(text, "Pwd", quote("Pwd", login.password));
}

// FreeTDS takes a port only from "host,port" or "Port=", never from its configuration for a
// "Server=" text, and reads "host\instance,port" as an instance named "instance,port".
std::string FreeTdsText(const SqlServerLogin& login) {
    std::string text = "Driver={FreeTDS};";
    const SqlServerAddress address = ParseSqlServerAddress(ServerValue(login));
    // With a port the instance is found; without one FreeTDS asks the server's browser service.
    const bool byInstance = !address.instance.empty() && address.port.empty();
    Append(text, "Server", FreeTdsValue("Server", byInstance ? address.host + "\\" + address.instance : address.host));
    if (!byInstance)
        Append(text, "Port", FreeTdsValue("Port", address.port.empty() ? kSqlServerDefaultPort : address.port));
    AppendLogin(text, login, FreeTdsValue);
    Append(text, "ClientCharset", "UTF-8");
    Append(text, "TDS_Version", kFreeTdsProtocol);
    return text;
}

// Driver 18 encrypts by default and refuses a self-signed certificate, which a default SQL
// Server install has; the legacy driver encrypted only when the server required it and then did
// not validate the certificate. "Optional" is driver 18's name for driver 17's "no".
std::string MicrosoftText(const SqlServerLogin& login, const std::string& driver) {
    std::string text = "Driver={" + driver + "};";
    Append(text, "Server", OdbcValue("Server", ServerValue(login)));
    AppendLogin(text, login, OdbcValue);
    Append(text, "Encrypt", driver == kDriver18 ? "Optional" : "no");
    Append(text, "TrustServerCertificate", "yes");
    return text;
}

}  // namespace

SqlServerAddress ParseSqlServerAddress(const std::string& server) {
    SqlServerAddress address;
    std::string rest = server;
    if (const size_t comma = rest.rfind(','); comma != std::string::npos) {
        address.port = rest.substr(comma + 1);
        rest.resize(comma);
    }
    if (const size_t slash = rest.find('\\'); slash != std::string::npos) {
        address.instance = rest.substr(slash + 1);
        rest.resize(slash);
    }
    address.host = rest;
    return address;
}

std::optional<std::string> ResolveSqlServerDriver(const ConnectionSettings& settings,
                                                  const std::vector<std::string>& installedDrivers) {
    const SqlServerLogin* login = settings.sqlServer();
    if (!login || Installed(installedDrivers, "SQL Server")) return settings.text;
    for (const char* substitute : kSubstitutes) {
        if (!Installed(installedDrivers, substitute)) continue;
        return substitute == kFreeTds ? FreeTdsText(*login) : MicrosoftText(*login, substitute);
    }
    return std::nullopt;
}

}  // namespace tess
