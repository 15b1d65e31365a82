#pragma once
// Linux registers no driver named "SQL Server". When the driver manager knows none by that name,
// the connection text is given the first installed SQL Server driver instead.
#include <optional>
#include <string>
#include <vector>

namespace tess {

inline constexpr const char* kNoSqlServerDriver =
    "No ODBC driver for SQL Server is installed. Install FreeTDS's driver (Debian package tdsodbc) "
    "or Microsoft's \"ODBC Driver 18 for SQL Server\".";

// The text to connect with. Unchanged unless it names the driver "SQL Server" and that name is not
// installed; nothing when no substitute is installed either.
std::optional<std::string> ResolveSqlServerDriver(const std::string& connectionText,
                                                  const std::vector<std::string>& installedDrivers);

}  // namespace tess
