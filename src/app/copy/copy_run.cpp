#include "app/copy/copy_run.h"

#include "common/stop_request.h"
#include "connect/connection_strings.h"
#include "connect/reconnect.h"
#include "platform/database.h"
#include "transfer/to_firebird.h"
#include "transfer/to_sqlserver.h"

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

CopyRun::CopyRun(Setup setup) : s_(setup), toFirebird_(setup.options.command == "send-to-firebird") {
    start(OpenCopyEnds(s_.database, s_.logins, toFirebird_, TimeoutsFor(s_.options, 5000)));
}

// A direction and a copier over new ends, as the send handlers make them.
void CopyRun::start(OpenEnds ends) {
    auto direction = toFirebird_ ? ToFirebird(ends.target.get(), &s_.sqlServerNames, s_.options.keys)
                                 : ToSqlServer(&s_.sqlServerNames, s_.options.keys);
    auto copier = std::make_unique<TableCopier>(CopyEnds{ends.source.get(), ends.target.get(), true},
                                                s_.targetTables, *direction,
                                                toFirebird_ ? kToFirebirdSteps : kToSqlServerSteps, s_.observer,
                                                s_.options.bulk);
    // Capped where the clock's nanoseconds would overflow: three years waits as long as "no end".
    const long long stall = std::min<long long>(s_.options.stallTimeout, 100'000'000);
    copier->setLimits({std::chrono::seconds(stall), TableCopier::kDefaultLimits.grace});
    copier->nameRowsByKey();
    std::lock_guard lock(copierMutex_);
    if (copier_) gaveUp_ = gaveUp_ || copier_->gaveUp();
    copier_ = std::move(copier);  // the old copier goes before the ends it used
    ends_ = std::move(ends);
    directions_.push_back(std::move(direction));
}

void CopyRun::cancel() noexcept {
    std::lock_guard lock(copierMutex_);
    if (copier_) copier_->cancel();
}

bool CopyRun::lostConnection(const TableOutcome& last) const {
    return last.ending == TableOutcome::kConnectionLost && !gaveUp();
}

bool CopyRun::reconnect(const std::function<void(const std::string&)>& say, const StopRequest* stop,
                        std::string& why) {
    const auto pass = [&](std::chrono::seconds wait, int attempt, int attempts) {
        say("a connection was lost; connecting again in " + std::to_string(wait.count()) + " s (try " +
            std::to_string(attempt) + " of " + std::to_string(attempts) + ")");
        return PassUnlessStopped(wait, stop);
    };
    const bool connected = ConnectAgain(pass, [&] {
        start(OpenCopyEnds(s_.database, s_.logins, toFirebird_, TimeoutsFor(s_.options, kReconnectTimeout)));
    }, why);
    if (connected) say("connected again; the copy goes on");
    return connected;
}

std::optional<StructurePlan> CopyRun::takeStructurePlan(const std::string& table) {
    for (auto& direction : directions_)
        if (auto plan = direction->takeStructurePlan(table)) return plan;
    return std::nullopt;
}

}  // namespace tess
