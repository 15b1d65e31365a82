#pragma once
// What the headless companion does with its command: the tables listed as "Next >" lists them, and
// each named table through the same copy engine as the windows' send buttons.
#include <ostream>

#include "app/copy/copy_options.h"

namespace tess {

class Database;
class Console;
class StopRequest;
class SummaryFile;

// Exit statuses: every requested table copied completely; something failed; nothing failed but
// tables were skipped because they exist (the overwrite question answered no).
inline constexpr int kExitCopied = 0, kExitFailed = 1, kExitUsage = 2, kExitSkipped = 3;

// Runs the command and prints a summary line per table; returns the process's exit status (a
// stop's signal included). `stop`, when given, ends a transfer early. With --summary-json the
// summary goes to `summary` too; without one given, to a file of the command's own, checked before
// anything is copied.
int RunCopyCommand(const CopyOptions& options, const StoredLogins& stored, Database& database, Console& console,
                   std::ostream& out, const StopRequest* stop = nullptr, SummaryFile* summary = nullptr);

}  // namespace tess
