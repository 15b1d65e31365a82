#pragma once
// Linux registers no driver named "SQL Server". When the driver manager knows none by that name,
// a SQL Server login is written for the first installed SQL Server driver instead: FreeTDS or
// Microsoft's 17 or 18, each given a text in the form that it reads.
#include <optional>
#include <string>
#include <vector>

#include "platform/connection_settings.h"

namespace tess {

inline constexpr const char* kNoSqlServerDriver =
    "No ODBC driver for SQL Server is installed. Install FreeTDS's driver (Debian package tdsodbc) "
    "or Microsoft's \"ODBC Driver 18 for SQL Server\".";

// SQL Server's own port, where a text names neither a port nor an instance.
inline constexpr const char* kSqlServerDefaultPort = "1433";
// FreeTDS's protocol version, pinned: in its automatic mode FreeTDS retries a failed login with an
// old protocol that sends the password in clear. 7.3 is SQL Server 2008's, which every later
// server accepts.
inline constexpr const char* kFreeTdsProtocol = "7.3";

// The text to connect with: the settings' own text, unless they hold a SQL Server login and no
// driver named "SQL Server" is installed; nothing when no substitute is installed either. Throws
// std::invalid_argument when a value cannot be written so that the substitute reads it intact.
std::optional<std::string> ResolveSqlServerDriver(const ConnectionSettings& settings,
                                                  const std::vector<std::string>& installedDrivers);

// "host", "host,port", "host\instance", "host\instance,port", as the "Server=" value holds them.
struct SqlServerAddress {
    std::string host, instance, port;
};
SqlServerAddress ParseSqlServerAddress(const std::string& server);

}  // namespace tess
