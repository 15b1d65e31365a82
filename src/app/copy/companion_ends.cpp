#include "app/copy/companion_ends.h"

#include "app/copy/stall_limits.h"
#include "connect/connection_strings.h"
#include "connect/reconnect.h"
#include "platform/database.h"

namespace tess {

OpenEnds OpenCopyEnds(Database& database, const StoredLogins& logins, bool toFirebird, EndTimeouts timeouts) {
    auto firebird = database.createConnection();
    firebird->setCursorLocation(toFirebird ? kUseServer : kUseClient);
    if (toFirebird) {
        firebird->setCommandTimeout(5000);
        firebird->setConnectionTimeout(timeouts.connection);
    }
    firebird->open(FirebirdSettings(logins.firebird));
    auto sqlServer = database.createConnection();
    sqlServer->setCursorLocation(kUseServer);
    sqlServer->setCommandTimeout(timeouts.command);
    sqlServer->setConnectionTimeout(timeouts.connection);
    sqlServer->open(SqlServerSettings(logins.sqlServer));
    if (toFirebird) return {std::move(sqlServer), std::move(firebird)};
    return {std::move(firebird), std::move(sqlServer)};
}

namespace {

// A driver that ignores the cancel still gives a statement up at its query time-out: the stall
// time-out, where one is set below the usual 5000 s, so that nothing waits longer than it.
EndTimeouts TimeoutsFor(const CopyOptions& options, int connection) {
    EndTimeouts t;
    t.connection = connection;
    if (options.stallTimeout > 0 && options.stallTimeout < t.command) t.command = static_cast<int>(options.stallTimeout);
    return t;
}

}  // namespace

CompanionEnds::CompanionEnds(const CopyOptions& options, const StoredLogins& logins, Database& database)
    : options_(options),
      logins_(logins),
      database_(database),
      toFirebird_(options.command == "send-to-firebird"),
      ends_(OpenCopyEnds(database, logins, toFirebird_, TimeoutsFor(options, 5000))) {}

// The old connections go once the new ones are open; a try that fails leaves the old ones, which
// nothing uses any more. A try waits no longer than the stall time-out either: a frozen server
// must not hold three tries of 15 s where the user asked for 5.
void CompanionEnds::reopen() {
    ends_ = OpenCopyEnds(database_, logins_, toFirebird_, TimeoutsFor(options_, ConnectingWithin(options_)));
}

}  // namespace tess
