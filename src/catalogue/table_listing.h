#pragma once
// The tables of each side, as the two sorted lists show them and in their order, from the databases' catalogues. A failure
// is thrown to the caller: the window's handler traps it, the companion says it.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/copy_watchdog.h"
#include "connect/logins.h"

namespace tess {

class Database;
class SqlServerTableNames;

// With `names`, tables of every schema are listed and recorded there; without, a table of another
// schema is listed by its bare name, as the catalogue rows alone give it. `eachRow`, when given,
// runs for every catalogue row read: a window keeps its events going through a long catalogue.
// `connectionTimeout`: how long a server that does not answer is waited for, in seconds. `watch`,
// when given: a server that stops answering once connected has its catalogue query cancelled after
// the stall time and its connection given up after the grace, rather than waited on for good.
std::vector<std::string> SqlServerTables(Database& database, const SqlServerLogin& login,
                                         SqlServerTableNames* names = nullptr,
                                         const std::function<void()>& eachRow = {}, int connectionTimeout = 15,
                                         std::optional<CopyWatchdog::Limits> watch = std::nullopt);
std::vector<std::string> FirebirdTables(Database& database, const FirebirdLogin& login, int connectionTimeout = 15,
                                        std::optional<CopyWatchdog::Limits> watch = std::nullopt);

// The filters, on their own: which catalogue rows become list entries.
bool IsListedSqlServerTable(const std::string& tableName, const std::string& tableType);
bool IsListedFirebirdTable(const std::string& tableName);

}  // namespace tess
