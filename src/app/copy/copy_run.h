#pragma once
// The connections, direction and copier of one companion copy, made anew when a lost connection
// took them: a run over many tables outlives a server restarted or a link cut for a moment.
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/copy/copy_options.h"
#include "transfer/table_copier.h"

namespace tess {

class CopyObserver;
class Database;
class SqlServerTableNames;
class StopRequest;
class TableList;

// The two ends of a copy, opened as the send handlers open them; time-outs in seconds, the
// command time-out SQL Server's query time-out.
struct OpenEnds {
    std::unique_ptr<Connection> source, target;
};
struct EndTimeouts {
    int connection = 5000, command = 5000;
};
OpenEnds OpenCopyEnds(Database& database, const StoredLogins& logins, bool toFirebird, EndTimeouts timeouts = {});

class CopyRun {
public:
    struct Setup {
        const CopyOptions& options;
        const StoredLogins& logins;
        Database& database;
        TableList& targetTables;
        SqlServerTableNames& sqlServerNames;
        CopyObserver& observer;
    };
    // Opens both ends; throws what the opening threw.
    explicit CopyRun(Setup setup);

    Connection& source() { return *ends_.source; }
    Connection& target() { return *ends_.target; }
    TableCopier& copier() { return *copier_; }
    // From another thread, for a stop: the calls under way on the current ends give up.
    void cancel() noexcept;

    // True when the last table lost a connection that may come back: the link or the server gave
    // out. Not after a server was given up for not answering: that one is not waited on again.
    bool lostConnection(const TableOutcome& last) const;
    // New connections after a lost one: a try after each wait, each said through `say`; false when
    // the servers stay unreachable (then `why` holds the last failure) or a stop came.
    bool reconnect(const std::function<void(const std::string&)>& say, const StopRequest* stop, std::string& why);
    // True once any copier of the run gave a server up for not answering.
    bool gaveUp() const { return gaveUp_ || copier_->gaveUp(); }
    // A table's structure plan, from whichever direction copied it.
    std::optional<StructurePlan> takeStructurePlan(const std::string& table);
    TransferDirection& direction() { return *directions_.back(); }

private:
    void start(OpenEnds ends);

    Setup s_;
    bool toFirebird_;
    OpenEnds ends_;
    // The current direction last; earlier ones keep the structure plans of the tables they copied.
    std::vector<std::unique_ptr<TransferDirection>> directions_;
    std::unique_ptr<TableCopier> copier_;
    std::mutex copierMutex_;  // a stop's cancel comes from the signal watch's thread
    bool gaveUp_ = false;
};

}  // namespace tess
