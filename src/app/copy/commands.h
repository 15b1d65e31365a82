#pragma once
// The companion's commands, each on the tables the source lists: a copy through the engine's
// transfer, and a comparison through its verification. Each returns the process's exit status.
#include <ostream>
#include <string>
#include <vector>

#include "app/copy/copy_options.h"

namespace tess {

class Console;
class Database;
class SqlServerTableNames;
class StopRequest;
class SummaryFile;
class RejectFiles;

// What the source and the target list, as "Next >" lists them.
struct ListedTables {
    std::vector<std::string> sqlServer, firebird;
    SqlServerTableNames& sqlServerNames;
};

struct CommandEnds {
    Console& console;
    std::ostream& out;        // the results
    SummaryFile* file;        // with --summary-json
    const StopRequest* stop;  // a signal's stop makes the exit status
    RejectFiles* rejects = nullptr;  // with --rejects
};

// send-to-firebird and send-to-sqlserver.
int SendTables(const CopyOptions& options, const StoredLogins& logins, Database& database, const ListedTables& listed,
               const CommandEnds& ends);
// The summary of a run that never reached a copy: each requested table "not started".
int SummarizeNothingSent(const std::vector<std::string>& requested, Database& database, const CommandEnds& ends,
                         const std::vector<std::string>& missing = {});
// verify.
int VerifyTables(const CopyOptions& options, const StoredLogins& logins, Database& database, const ListedTables& listed,
                 const CommandEnds& ends);

}  // namespace tess
