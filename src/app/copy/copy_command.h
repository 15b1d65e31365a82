#pragma once
// What the headless companion does with its command: the same handlers as the windows, over the
// console toolkit.
#include <ostream>

#include "app/copy/copy_options.h"

namespace tess {

class Database;
class ConsoleToolkit;

// 0 when every step succeeded, 1 when any failed, 2 for a usage error.
int RunCopyCommand(const CopyOptions& options, const StoredLogins& stored, Database& database,
                   ConsoleToolkit& toolkit, std::ostream& out);

}  // namespace tess
