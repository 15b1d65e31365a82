// A stop from another thread while a copy runs on real drivers: SQLite's ODBC driver standing in
// for SQL Server, embedded Firebird and a private Firebird server, each way. In the programs the
// stop's cancel reaches the drivers from the signal watch's thread (or the window's close) while
// the main thread and the read-ahead's are inside them: built apart, so that ThreadSanitizer runs
// these without building the programs.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "report/failure_text.h"
#include <thread>

#include "common/stop_request.h"
#include "connect/connection_strings.h"
#include "firebird_server.h"
#include "standin_database.h"
#include "temp_folder.h"
#include "fakes/fixed_ends.h"
#include "transfer/transfer_run.h"

namespace tess {

extern const char* const kOdbcDriversIni = kSqliteStandingIn;

namespace {

constexpr long long kRows = 20000, kStopAt = 300;

// Hears the rows go by, so that the other thread stops the copy once some are sent.
class RowWatch : public TransferObserver {
public:
    bool overwrite(const std::string&) override { return false; }
    void failed(const CopyFailure& failure) override { failures.push_back(FailureText(failure)); }
    void rowSent(const std::string&, long long done, long long) override {
        std::lock_guard lock(mutex_);
        done_ = done;
        changed_.notify_all();
    }
    bool waitToReconnect(std::chrono::seconds, int, int) override { return false; }
    // False when the rows never came.
    bool waitForRows(long long rows) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(60), [&] { return done_ >= rows; });
    }
    std::vector<std::string> failures;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    long long done_ = 0;
};

long long Count(Connection& c, const std::string& table) {
    auto rows = c.openRecordset("SELECT COUNT(*) FROM " + table);
    const auto n = std::get<std::int64_t>(rows->value(0));
    rows->close();
    return n;
}

// Copies BIG from `source` to `target`, stopped from another thread once kStopAt rows are sent:
// the table ends stopped, and what it says stands is what the target holds. Through a Firebird
// server too: the copy hears the stop between two rows and commits, and nothing is cancelled. (A
// cancel sent at once now and then went unanswered by the client library, whose cancel and calls
// take two of its locks in both orders; the connection was then given up, and the rows written
// since the last commit with it.)
void StopFromAnotherThread(Connection& source, Connection& target, bool toFirebird, bool bulk) {
    SCOPED_TRACE(toFirebird ? "into Firebird" : "out of Firebird");
    StopRequest stop;
    TransferPlan plan;
    plan.toFirebird = toFirebird;
    plan.tables = {"BIG", "AFTER"};
    plan.bulk = bulk;
    plan.stop = &stop;
    RowWatch watch;
    FixedEnds ends(source, target);
    std::thread stopper([&] {
        if (watch.waitForRows(kStopAt)) stop.request(15);
    });
    const TransferResult result = RunTransfer(plan, ends, watch);
    stopper.join();
    ASSERT_EQ(result.tables.size(), 1u) << "no table is started after the stop";
    const TableOutcome& big = result.tables[0];
    EXPECT_GE(big.rowsRead, kStopAt);
    EXPECT_LT(big.rowsRead, kRows);
    EXPECT_EQ(result.end, TransferResult::End::kStopped);
    EXPECT_EQ(big.ending, TableOutcome::kStopped) << (big.cause ? FailureText(*big.cause) : "");
    EXPECT_EQ(Count(target, "BIG"), big.rowsWritten) << "what the outcome says stands is what stands";
    for (const auto& failure : watch.failures) ADD_FAILURE() << failure;
}

class StopFromAnotherThreadTest : public testing::Test {
protected:
    void SetUp() override {
        standIn = db.createConnection();
        standIn->open(SqlServerSettings({"localhost", "1433", folder.file("standin.db"), "sa", "", false}));
    }
    void fillStandIn() {
        standIn->execute("CREATE TABLE BIG (ID INTEGER PRIMARY KEY, NAME VARCHAR(20))");
        standIn->execute("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < " +
                         std::to_string(kRows) + ") INSERT INTO BIG SELECT I, 'row ' || I FROM N");
        standIn->execute("CREATE TABLE AFTER (ID INTEGER)");
    }
    static void fillFirebird(Connection& firebird) {
        firebird.execute("CREATE TABLE BIG (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(20))");
        firebird.execute("CREATE TABLE AFTER (ID INTEGER)");
        firebird.execute("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= " + std::to_string(kRows) +
                         ") DO BEGIN INSERT INTO BIG VALUES (:I, 'row ' || :I); I = I + 1; END END");
    }
    std::unique_ptr<Connection> openFirebird(const FirebirdLogin& login) {
        auto c = db.createConnection();
        c->open(FirebirdSettings(login));
        return c;
    }

    TempFolder folder;
    StandInDatabase db;
    std::unique_ptr<Connection> standIn;
};

TEST_F(StopFromAnotherThreadTest, TheStandInIntoEmbeddedFirebird) {
    fillStandIn();
    for (const bool bulk : {false, true}) {
        const std::string file = folder.file(bulk ? "bulk.fdb" : "literal.fdb");
        CreateFirebirdDatabase(file);
        auto firebird = openFirebird({file, "SYSDBA", ""});
        StopFromAnotherThread(*standIn, *firebird, true, bulk);
    }
}

TEST_F(StopFromAnotherThreadTest, EmbeddedFirebirdIntoTheStandIn) {
    CreateFirebirdDatabase(folder.file("source.fdb"));
    auto firebird = openFirebird({folder.file("source.fdb"), "SYSDBA", ""});
    fillFirebird(*firebird);
    StopFromAnotherThread(*firebird, *standIn, false, false);
}

TEST_F(StopFromAnotherThreadTest, APrivateServerEachWay) {
    FirebirdServer server;
    const std::string path = server.file("shop.fdb");
    server.createDatabase(path);
    fillStandIn();
    {
        auto firebird = openFirebird({server.address(path), "SYSDBA", FirebirdServer::kPassword});
        StopFromAnotherThread(*standIn, *firebird, true, true);
    }
    auto firebird = openFirebird({server.address(path), "SYSDBA", FirebirdServer::kPassword});
    firebird->execute("DROP TABLE BIG");
    standIn->execute("DROP TABLE BIG");
    fillFirebird(*firebird);
    StopFromAnotherThread(*firebird, *standIn, false, false);
}

}  // namespace
}  // namespace tess
