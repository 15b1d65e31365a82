// Attaching to a Firebird server, as most users do: the test's own server on loopback, with
// passwords that it checks.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

#include "app/copy/copy_command.h"
#include "common/operation_guard.h"
#include "connect/connection_strings.h"
#include "connect/login_window.h"
#include "fakes/fake_database.h"
#include "fakes/fake_settings.h"
#include "fakes/engine_copy.h"
#include "fakes/fake_toolkit.h"
#include "fakes/fixed_logins.h"
#include "delayed_link.h"
#include "firebird_server.h"
#include "app/copy/console.h"
#include "platform/drivers/drivers_database.h"
#include "split_database.h"
#include "tables/send_to_firebird.h"
#include "tables/send_to_sqlserver.h"

namespace tess {
namespace {

class FirebirdServerTest : public testing::Test {
protected:
    // A server that does not start fails every test. Thrown from here, gtest would mark the tests
    // skipped, and ctest counts a skipped test as no failure.
    static void SetUpTestSuite() {
        try {
            server = new FirebirdServer();
        } catch (const std::exception& e) {
            failedToStart = e.what();
        }
    }
    static void TearDownTestSuite() { delete server, server = nullptr; }
    void SetUp() override {
        ASSERT_NE(server, nullptr) << failedToStart;
        path = server->file("shop" + std::to_string(++made) + ".fdb");
        server->createDatabase(path);
    }
    FirebirdLogin login(const std::string& database, const std::string& password = FirebirdServer::kPassword) {
        return {database, "SYSDBA", password};
    }
    std::unique_ptr<Connection> open(const FirebirdLogin& l, int timeout = 0) {
        auto c = drivers.createConnection();
        if (timeout) c->setConnectionTimeout(timeout);
        c->open(FirebirdSettings(l));
        return c;
    }

    static inline FirebirdServer* server = nullptr;
    static inline std::string failedToStart;
    static inline int made = 0;
    std::string path;
    DriversDatabase drivers;
};

TEST_F(FirebirdServerTest, BothAddressFormsAttach) {
    for (const std::string& address :
         {server->address(path), "inet://127.0.0.1:" + std::to_string(server->port()) + "/" + path}) {
        auto c = open(login(address));
        auto rows = c->openRecordset("SELECT CURRENT_USER FROM RDB$DATABASE");
        EXPECT_EQ(std::get<std::string>(rows->value(0)), "SYSDBA") << address;
        rows->close();
        c->close();
    }
}

TEST_F(FirebirdServerTest, AWrongPasswordIsRefusedWithTheServersOwnWords) {
    try {
        open(login(server->address(path), "wrong"));
        FAIL() << "attached with a wrong password";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("Your user name and password are not defined"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(TestFirebirdConnection(drivers, login(server->address(path), "wrong")));
    EXPECT_TRUE(TestFirebirdConnection(drivers, login(server->address(path))));

    // The login window's "Test Connection" says only whether it connected.
    FakeToolkit ui;
    FakeShell shell;
    FakeSettings settings;
    FakeWindow window;
    FakeCheckBox check4;
    std::vector<FakeTextField> f(8);
    OperationGuard guard;
    Form1 form(drivers, ui, shell, settings,
               {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], check4, window},
               [&]() -> TablesWindowDoor& { throw std::logic_error("not used"); }, [] { return 0.5; }, guard);
    f[0].value = server->address(path);
    f[6].value = "SYSDBA";
    f[1].value = "wrong";
    form.PushButton3_Click();
    f[1].value = FirebirdServer::kPassword;
    form.PushButton3_Click();
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, "Could not connect.");
    EXPECT_EQ(ui.boxes[1].text, "Connection successful.");
}

TEST_F(FirebirdServerTest, AFrozenServerIsGivenUpWithinTheTimeout) {
    server->freeze();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(open(login(server->address(path)), 2), DatabaseError);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    server->thaw();
    EXPECT_LT(seconds, 5.0);
    EXPECT_NO_THROW(open(login(server->address(path)))) << "the thawed server answers again";
}

// A copy in each direction between the server's database and the scripted SQL Server side.
TEST_F(FirebirdServerTest, CopiesInBothDirections) {
    FakeDatabase sqlServer;
    SplitDatabase db(sqlServer, drivers);
    FakeToolkit ui;
    FixedLogins logins;
    logins.firebird = login(server->address(path));
    FakeTableList list1, list2;
    FakeProgressBar progress;
    FakeWindow window;
    OperationGuard guard;

    FakeResult source;
    source.fields = {{"ID", 3, 4, 10, 0}, {"NAME", 202, 20, 255, 0}};
    source.rows = {{std::int64_t{1}, std::string("Zoë")}, {std::int64_t{2}, std::string("日本")}};
    sqlServer.results["SELECT * FROM [People]"] = source;
    list1.addItem("People");
    list1.setSelected(0, true);
    list1.setListIndex(0);
    SendToFirebird(db, ui, logins, {list1, list2, progress, window, {}}, guard).PushButton3_Click();
    for (const auto& box : ui.boxes) ADD_FAILURE() << box.text;
    EXPECT_EQ(list2.items(), std::vector<std::string>{"People"});

    list1.clear();  // the SQL Server side as a fresh database
    list2.setSelected(0, true);
    list2.setListIndex(0);
    SendToSqlServer(db, ui, logins, {list1, list2, progress, window, {}}, guard).PushButton4_Click();
    for (const auto& box : ui.boxes) ADD_FAILURE() << box.text;
    EXPECT_EQ(sqlServer.calls("execute INSERT"),
              (std::vector<std::string>{"execute INSERT INTO [People] VALUES('1', N'Zoë')",
                                        "execute INSERT INTO [People] VALUES('2', N'日本')"}));
}

// A server that freezes mid-copy (as SIGSTOP freezes it) never reads a cancel: a stop, or the
// stall time-out without one, gives its connection up after the grace, and the copy ends with at
// most one report, which says why. The frozen server is the target, or the source that the rows
// are read from on a thread of their own.
TEST_F(FirebirdServerTest, AFrozenServerIsGivenUp) {
    {
        auto c = open(login(server->address(path)));
        c->execute("CREATE TABLE \"Many\" (ID INTEGER)");
        c->execute("INSERT INTO \"Many\" SELECT A.RDB$TYPE FROM RDB$TYPES A, RDB$TYPES B");
        c->close();
    }
    const struct {
        bool toFirebird, stop;
        TableOutcome::Ending ending;
        const char* why;  // nullptr: no report
    } cases[] = {
        {true, true, TableOutcome::kConnectionLost, "The server did not answer the stop, so its connection was given up."},
        {true, false, TableOutcome::kConnectionLost,
         "Nothing came through for the stall time-out, so the copy stopped waiting."},
        {false, true, TableOutcome::kStopped, nullptr},
        {false, false, TableOutcome::kConnectionLost,
         "Nothing came through for the stall time-out, so the copy stopped waiting."},
    };
    for (const auto& c : cases) {
        const std::string table = std::string(c.toFirebird ? "Into" : "From") + (c.stop ? "Stopped" : "Stalled");
        SCOPED_TRACE(table);
        FakeDatabase sqlServer;
        SplitDatabase db(sqlServer, drivers);
        FixedLogins logins;
        logins.firebird = login(server->address(path));
        FakeResult source;
        source.fields = {{"ID", 3, 4, 10, 0}};
        for (int i = 1; i <= 50; ++i) source.rows.push_back({std::int64_t{i}});
        sqlServer.results["SELECT * FROM [" + table + "]"] = source;
        FakeToolkit ui;
        RecordingObserver observer(ui, "at ");
        observer.onRow = [&](long long done) {
            if (done != 10) return;
            server->freeze();
            if (c.stop) observer.stop.request(15);
        };
        FakeTableList targetTables;
        const auto start = std::chrono::steady_clock::now();
        CopyThroughEngine(db, logins,
                          {.toFirebird = c.toFirebird,
                           .limits = CopyWatchdog::Limits{std::chrono::seconds(1), std::chrono::seconds(2)}},
                          targetTables, {c.toFirebird ? table : "Many"}, observer);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        server->thaw();
        ASSERT_EQ(observer.outcomes.size(), 1u);
        EXPECT_EQ(observer.outcomes[0].ending, c.ending);
        ASSERT_EQ(ui.boxes.size(), c.why ? 1u : 0u) << (ui.boxes.empty() ? "" : ui.boxes[0].text);
        if (c.why) {
            EXPECT_NE(ui.boxes[0].text.find(c.why), std::string::npos) << ui.boxes[0].text;
        }
        EXPECT_LT(seconds, 30.0);
    }
}

// The companion gives a frozen target up once, and then waits on it no more: not to count the
// rows that stand, not for anything else. Before, the summary's count waited out another
// connection time-out.
TEST_F(FirebirdServerTest, TheCompanionWaitsNoMoreOnAServerItGaveUp) {
    FakeDatabase sqlServer;
    sqlServer.catalogue = FakeDatabase::Catalogue({{"Frozen", "TABLE"}});
    FakeResult source;
    source.fields = {{"ID", 3, 4, 10, 0}};
    for (int i = 1; i <= 50; ++i) source.rows.push_back({std::int64_t{i}});
    sqlServer.results["SELECT * FROM [Frozen]"] = source;
    std::atomic<int> moves{0};
    std::atomic<std::chrono::steady_clock::rep> frozeAt{0};
    sqlServer.onCall = [&](const std::string& line) {
        if (line != "movenext" || ++moves != 10) return;
        frozeAt = std::chrono::steady_clock::now().time_since_epoch().count();
        server->freeze();
    };
    SplitDatabase db(sqlServer, drivers);
    const auto options = std::get<CopyOptions>(ParseCopyOptions(
        {"--fb-database", server->address(path), "--fb-user", "SYSDBA", "--fb-password", FirebirdServer::kPassword,
         "--ms-server", "SRV", "--stall-timeout", "1", "send-to-firebird", "Frozen"}));
    std::ostringstream out;
    Console toolkit(out, false);
    const int status = RunCopyCommand(options, {}, db, toolkit, out);
    const auto ended = std::chrono::steady_clock::now().time_since_epoch().count();
    server->thaw();
    ASSERT_NE(frozeAt.load(), 0) << out.str();
    const double afterFreeze =
        std::chrono::duration<double>(std::chrono::steady_clock::duration(ended - frozeAt.load())).count();
    EXPECT_EQ(status, kExitFailed);
    EXPECT_NE(out.str().find("in target unknown, ended by a lost connection"), std::string::npos) << out.str();
    // The stall (1 s) and the cancel's grace (10 s), with room for a slow machine; a count through a
    // new connection would add the connection's 15 s time-out.
    EXPECT_LT(afterFreeze, 11 + 3.5) << out.str();
}

// --all over many tables while the server's connections are cut mid-run: restored, the run
// connects again and goes on, one report for the table in flight; cut for good, one more report
// and the rest not started. Never a report for every table that follows.
// Across a link, --bulk's rows travel many a round trip: a thousand rows cost fewer than twenty
// round trips more than ten rows do (0.02 a row), as the link between client and server counts them.
// --bulk into the test's server through a link that counts the round trips.
struct CopyAcrossALink {
    CopyAcrossALink(int port, Database& drivers, const FirebirdLogin& target)
        : link(port, std::chrono::microseconds(0)), db(sqlServer, drivers) {
        logins.firebird = target;
        logins.firebird.database = "127.0.0.1/" + std::to_string(link.port()) + ":" + target.database;
    }
    // The round trips that sending `source` as `table` cost.
    long long roundTripsToSend(const std::string& table, const FakeResult& source) {
        sqlServer.results["SELECT * FROM [" + table + "]"] = source;
        RecordingObserver observer(ui, "");
        const long long before = link.roundTrips();
        CopyThroughEngine(db, logins, {.toFirebird = true, .bulk = true}, list, {table}, observer);
        EXPECT_EQ(observer.outcomes.at(0).rowsWritten, static_cast<long long>(source.rows.size()));
        return link.roundTrips() - before;
    }
    ~CopyAcrossALink() {
        for (const auto& box : ui.boxes) ADD_FAILURE() << box.text;
    }

    DelayedLink link;
    FakeDatabase sqlServer;
    SplitDatabase db;
    FakeToolkit ui;
    FixedLogins logins;
    FakeTableList list;
};

// Through a server too, a row refused for its own values costs that row alone: 160 rows too long for
// their column, the first 150 and the last 10 of 10,160, literal and in blocks of 255.
TEST_F(FirebirdServerTest, RefusedRowsCostOnlyThemselves) {
    constexpr int kRows = 10'160, kRefused = 160;
    FakeResult source;
    source.fields = {{"ID", 3, 4, 10, 0}, {"CODE", 200, 10, 255, 0}};
    for (int i = 1; i <= kRows; ++i)
        source.rows.push_back({std::int64_t{i}, i <= 150 || i > kRows - 10 ? std::string(50, 'x') : std::string("ok")});
    for (const bool bulk : {false, true}) {
        const std::string table = bulk ? "InBlocks" : "Literal";
        FakeDatabase sqlServer;
        sqlServer.results["SELECT * FROM [" + table + "]"] = source;
        SplitDatabase db(sqlServer, drivers);
        FixedLogins logins;
        logins.firebird = login(path);
        logins.firebird.database = "127.0.0.1/" + std::to_string(server->port()) + ":" + path;
        FakeToolkit ui;
        FakeTableList list;
        RecordingObserver observer(ui, "");
        CopyThroughEngine(db, logins, {.toFirebird = true, .bulk = bulk}, list, {table}, observer);
        ASSERT_EQ(observer.outcomes.size(), 1u);
        EXPECT_EQ(observer.outcomes[0].ending, TableOutcome::kComplete) << table;
        EXPECT_EQ(observer.outcomes[0].rowsWritten, kRows - kRefused) << table;
        EXPECT_EQ(observer.outcomes[0].rowsRefused, kRefused) << table;
        auto c = open(login(path));
        auto rows = c->openRecordset("SELECT COUNT(*), COUNT(DISTINCT ID), MIN(ID), MAX(ID) FROM \"" + table + "\"");
        EXPECT_EQ(rows->value(0), Value(std::int64_t{kRows - kRefused})) << table;
        EXPECT_EQ(rows->value(1), Value(std::int64_t{kRows - kRefused})) << table;
        EXPECT_EQ(rows->value(2), Value(std::int64_t{151})) << table;
        EXPECT_EQ(rows->value(3), Value(std::int64_t{kRows - 10})) << table;
    }
}

TEST_F(FirebirdServerTest, BulkRowsCrossALinkManyARoundTrip) {
    CopyAcrossALink across(server->port(), drivers, login(path));
    auto roundTrips = [&](const std::string& table, int rows) {
        FakeResult source;
        source.fields = {{"ID", 3, 4, 10, 0}, {"NAME", 200, 20, 255, 0}, {"PRICE", 131, 9, 12, 2}};
        for (int i = 0; i < rows; ++i)
            source.rows.push_back({std::int64_t{i}, "name " + std::to_string(i), Decimal{"12.34"}});
        return across.roundTripsToSend(table, source);
    };
    const long long few = roundTrips("Few", 10), many = roundTrips("Many", 1000);
    EXPECT_LT(many - few, 20) << few << " round trips for 10 rows, " << many << " for 1,000";
}

// Rows of memo and picture columns cross a link many a round trip too, both ways: their short
// values travel inside the rows, in the blocks that write them and in the batches that read them,
// not as blobs of their own (a round trip or more each). A thousand rows cost fewer than fifty
// round trips more than ten rows do (0.05 a row), written and read.
TEST_F(FirebirdServerTest, ShortBlobValuesCrossALinkInsideTheirRows) {
    CopyAcrossALink across(server->port(), drivers, login(path));
    auto written = [&](const std::string& table, int rows) {
        FakeResult source;
        source.fields = {{"ID", 3, 4, 10, 0}, {"MEMO", 201, 2147483647, 255, 0}, {"NOTE", 202, 4000, 255, 0},
                         {"PIC", 205, 2147483647, 255, 0}};
        for (int i = 0; i < rows; ++i)
            source.rows.push_back({std::int64_t{i}, "memo " + std::to_string(i) + std::string(i % 300, 'm'),
                                   "note é " + std::to_string(i), Bytes(1 + i % 200, static_cast<unsigned char>(i))});
        return across.roundTripsToSend(table, source);
    };
    auto read = [&](const std::string& table) {
        const long long before = across.link.roundTrips();
        auto c = open(across.logins.firebird);
        auto rows = c->openRecordset("SELECT * FROM " + table, kOpenStatic, kLockReadOnly);
        long long n = 0;
        for (; !rows->eof(); rows->moveNext()) n += rows->value(1) != Value(Null{});
        rows->close();
        c->close();
        EXPECT_GT(n, 0);
        return across.link.roundTrips() - before;
    };
    const long long fewWritten = written("FEW", 10), manyWritten = written("MANY", 1000);
    EXPECT_LT(manyWritten - fewWritten, 50) << fewWritten << " round trips to write 10 rows, " << manyWritten
                                            << " for 1,000";
    const long long fewRead = read("FEW"), manyRead = read("MANY");
    EXPECT_LT(manyRead - fewRead, 50) << fewRead << " round trips to read 10 rows, " << manyRead << " for 1,000";
}

// The link cut as the third table starts: once back, that table is copied again from its start
// and the run goes on; cut for good, the run ends there.
TEST_F(FirebirdServerTest, AWholeRunOutlivesACutConnection) {
    const std::string again = "complete (copied again from its start after a lost connection)";
    const struct {
        bool restored;
        std::vector<std::string> outcomes;  // of T1 to T6, as the summary says them
        size_t reports;
        int exit;
    } cases[] = {
        {true, {"complete", "complete", again, "complete", "complete", "complete"}, 1, kExitCopied},
        {false, {"complete", "complete", "ended by a lost connection", "not started", "not started", "not started"}, 2,
         kExitFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.restored ? "restored" : "cut for good");
        const std::string target = server->file("run" + std::to_string(c.restored) + ".fdb");
        server->createDatabase(target);
        FakeDatabase sqlServer;
        std::vector<std::pair<std::string, std::string>> names;
        FakeResult rows;
        rows.fields = {{"ID", 3, 4, 10, 0}};
        for (int i = 1; i <= 5; ++i) rows.rows.push_back({std::int64_t{i}});
        for (int t = 1; t <= 6; ++t) {
            names.push_back({"T" + std::to_string(t), "TABLE"});
            sqlServer.results["SELECT * FROM [T" + std::to_string(t) + "]"] = rows;
        }
        sqlServer.catalogue = FakeDatabase::Catalogue(names);
        bool cut = false;
        sqlServer.onCall = [&](const std::string& line) {
            if (line != "query SELECT * FROM [T3]" || cut) return;
            cut = true;
            server->kill();  // the link cut as the third table starts
            if (c.restored) server->start();
        };
        SplitDatabase db(sqlServer, drivers);
        const auto options = std::get<CopyOptions>(ParseCopyOptions(
            {"--fb-database", server->address(target), "--fb-user", "SYSDBA", "--fb-password",
             FirebirdServer::kPassword, "--ms-server", "SRV", "--all", "send-to-firebird"}));
        std::ostringstream results, said;
        Console toolkit(said, false);
        EXPECT_EQ(RunCopyCommand(options, {}, db, toolkit, results), c.exit);
        if (!c.restored) server->start();  // for the tests after this one
        std::vector<std::string> outcomes;
        std::istringstream lines(results.str());
        for (std::string line; std::getline(lines, line);) {  // "table T1: read 5, ..., complete"
            if (line.rfind("table ", 0) != 0) continue;
            const std::string rest = line.substr(line.find(": ") + 2);
            const size_t last = rest.substr(0, rest.find(" (")).rfind(", ");
            outcomes.push_back(last == std::string::npos ? rest : rest.substr(last + 2));
        }
        EXPECT_EQ(outcomes, c.outcomes) << results.str() << said.str();
        EXPECT_EQ(said.str().find("T3: copying it again from its start") != std::string::npos, c.restored)
            << said.str();
        EXPECT_EQ(toolkit.errorReports(), static_cast<int>(c.reports)) << said.str();
    }
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// The windows send on after a cut connection as the companion does: the server killed as the
// third table to go (T3: the list goes from its last entry) is opened, and started again, or not.
// Restored: one report, every other table sent. Cut for good: after tries at 1, 2 and 4 s, a
// second report says the tables after T3 were not sent, and none of them is tried.
TEST_F(FirebirdServerTest, TheWindowsSendOnAfterACutConnection) {
    for (const bool restored : {true, false}) {
        SCOPED_TRACE(restored ? "restored" : "cut for good");
        const std::string target = server->file("window" + std::to_string(restored) + ".fdb");
        server->createDatabase(target);
        FakeDatabase sqlServer;
        FakeResult rows;
        rows.fields = {{"ID", 3, 4, 10, 0}};
        rows.rows = {{std::int64_t{1}}, {std::int64_t{2}}};
        FakeTableList list1, list2;
        for (int t = 1; t <= 6; ++t) {
            sqlServer.results["SELECT * FROM [T" + std::to_string(t) + "]"] = rows;
            list1.addItem("T" + std::to_string(t));
            list1.setSelected(t - 1, true);
        }
        list1.setListIndex(0);
        sqlServer.onCall = [&](const std::string& line) {
            if (line != "query SELECT * FROM [T3]") return;
            server->kill();
            if (restored) server->start();
        };
        SplitDatabase db(sqlServer, drivers);
        FakeToolkit ui;
        FixedLogins logins;
        logins.firebird = login(server->address(target));
        FakeProgressBar progress;
        FakeWindow window;
        OperationGuard guard;
        SendToFirebird(db, ui, logins, {list1, list2, progress, window, {}}, guard).PushButton3_Click();
        if (!restored) server->start();  // for the tests after this one
        std::string said;
        for (const auto& box : ui.boxes) said += box.text + "\n";
        const std::vector<std::string> sent =
            restored ? std::vector<std::string>{"T1", "T2", "T4", "T5", "T6"} : std::vector<std::string>{"T4", "T5", "T6"};
        EXPECT_EQ(list2.items(), sent) << said;
        ASSERT_EQ(ui.boxes.size(), restored ? 1u : 2u) << said;
        if (!restored) {
            EXPECT_NE(said.find("tables after T3 were not sent"), std::string::npos) << said;
        }
    }
}

}  // namespace
}  // namespace tess
