#pragma once
// The companion's two connections for a transfer, opened as the send handlers open them and
// opened anew when a lost connection took them: a run over many tables outlives a server
// restarted or a link cut for a moment.
#include <memory>

#include "app/copy/copy_options.h"
#include "transfer/transfer_run.h"

namespace tess {

class Database;

// The two ends of a copy; time-outs in seconds, the command time-out SQL Server's query time-out.
struct OpenEnds {
    std::unique_ptr<Connection> source, target;
};
struct EndTimeouts {
    int connection = 5000, command = 5000;
};
OpenEnds OpenCopyEnds(Database& database, const StoredLogins& logins, bool toFirebird, EndTimeouts timeouts = {});

class CompanionEnds : public TransferEnds {
public:
    // Opens both ends; throws what the opening threw.
    CompanionEnds(const CopyOptions& options, const StoredLogins& logins, Database& database);

    Connection* source() override { return ends_.source.get(); }
    Connection* target() override { return ends_.target.get(); }
    void reopen() override;

private:
    const CopyOptions& options_;
    const StoredLogins& logins_;
    Database& database_;
    bool toFirebird_;
    OpenEnds ends_;
};

}  // namespace tess
