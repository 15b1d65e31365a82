#include "app/copy/copy_command.h"
#include "app/copy/stall_limits.h"
#include "app/copy/table_choice.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "common/stop_request.h"
#include "fakes/fake_database.h"
#include "app/copy/console.h"

namespace tess {
namespace {

TEST(ParseCopyOptions, CommandsAndUsageErrors) {
    struct Case {
        std::vector<std::string> args;
        const char* error;  // nullptr: parses
    } cases[] = {
        {{"test"}, nullptr},
        {{"--ms-local", "list", "firebird"}, nullptr},
        {{"send-to-firebird", "A", "--overwrite", "yes", "B"}, nullptr},
        {{"send-to-sqlserver", "--", "--odd name"}, nullptr},
        {{}, "no command given"},
        {{"list"}, "list takes sqlserver or firebird"},
        {{"list", "oracle"}, "list takes sqlserver or firebird"},
        {{"send-to-firebird"}, "send-to-firebird needs at least one table, --all or --include"},
        {{"send-to-firebird", "--all"}, nullptr},
        {{"--include", "dbo.*", "send-to-sqlserver"}, nullptr},
        {{"verify", "sqlserver-to-firebird"}, "verify takes sqlserver-to-firebird or firebird-to-sqlserver and at "
                                              "least one table, --all or --include"},
        {{"verify", "--all", "sqlserver-to-firebird"}, nullptr},
        {{"send-to-firebird", "--exclude"}, "--exclude needs a pattern"},
        {{"--overwrite", "maybe", "test"}, "--overwrite takes yes or no"},
        {{"test", "--fb-user"}, "--fb-user needs a value"},
        {{"--colour", "test"}, "unknown option --colour"},
        {{"copy"}, "unknown command copy"},
        {{"--stall-timeout", "0", "test"}, nullptr},
        {{"--stall-timeout", "-5", "test"}, "--stall-timeout takes seconds"},
        {{"--stall-timeout", "1e3", "test"}, "--stall-timeout takes seconds"},
        {{"--sample", "ten", "test"}, "--sample takes a number of rows"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseCopyOptions(c.args);
        if (c.error)
            EXPECT_EQ(std::get<UsageError>(parsed).message, c.error);
        else
            EXPECT_TRUE(std::holds_alternative<CopyOptions>(parsed)) << std::get<UsageError>(parsed).message;
    }
    const auto o = std::get<CopyOptions>(ParseCopyOptions({"send-to-sqlserver", "--", "--odd name"}));
    EXPECT_EQ(o.arguments, std::vector<std::string>{"--odd name"});
    EXPECT_EQ(o.stallTimeout, 600) << "a default a user would accept";
    EXPECT_FALSE(o.overwrite) << "an existing table is never replaced without being asked";
    EXPECT_EQ(std::get<CopyOptions>(ParseCopyOptions({"--stall-timeout", "30", "test"})).stallTimeout, 30);
}

TEST(ChooseTables, NamesThenPatternsEachTableOnce) {
    const std::vector<std::string> listed = {"Orders", "OrderLines", "OldOrders", "sales.Orders", "Customers"};
    auto namesOf = [](const std::string& entry) {
        const size_t dot = entry.find('.');
        return dot == std::string::npos ? PatternNames{entry, "dbo." + entry} : PatternNames{entry.substr(dot + 1), entry};
    };
    struct Case {
        std::vector<std::string> named;
        TableChoice choice;
        std::vector<std::string> chosen;
    } cases[] = {
        {{"Customers"}, {}, {"Customers"}},
        {{}, {true, {}, {}}, listed},
        {{}, {false, {"Order*"}, {}}, {"Orders", "OrderLines", "sales.Orders"}},  // any schema's
        {{}, {false, {"*Orders"}, {"Old*"}}, {"Orders", "sales.Orders"}},
        {{}, {false, {"sales.*"}, {}}, {"sales.Orders"}},
        {{}, {false, {"dbo.*"}, {"dbo.O*"}}, {"Customers"}},  // the default schema, named
        {{"OldOrders"}, {true, {}, {"Old*"}}, {"OldOrders", "Orders", "OrderLines", "sales.Orders", "Customers"}},
        {{}, {false, {"orders"}, {}}, {}},  // case counts
        {{}, {false, {"Order[sL]*"}, {}}, {"Orders", "OrderLines", "sales.Orders"}},
        // A pattern without a dot is for the table's own name: the schema's "dbo." never matches it.
        {{}, {false, {"d*"}, {}}, {}},
        {{}, {true, {}, {"d*"}}, listed},
        {{}, {false, {"[!A-N]*"}, {}}, {"Orders", "OrderLines", "OldOrders", "sales.Orders"}},
        {{}, {false, {"s*"}, {}}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(ChooseTables(listed, c.named, c.choice, namesOf), c.chosen);
}

// Each table after those it refers to; a cycle keeps the order given.
TEST(InForeignKeyOrder, ParentsFirst) {
    auto same = [](const std::string& t) { return t; };
    struct Case {
        std::vector<std::string> tables;
        std::vector<std::pair<std::string, std::string>> references;  // table, the table it refers to
        std::vector<std::string> ordered;
    } cases[] = {
        {{"SALES", "CUSTOMER", "EMPLOYEE"}, {{"SALES", "CUSTOMER"}, {"SALES", "EMPLOYEE"}}, {"CUSTOMER", "EMPLOYEE", "SALES"}},
        {{"C", "B", "A"}, {{"C", "B"}, {"B", "A"}}, {"A", "B", "C"}},
        {{"DEPT", "EMP", "JOB"}, {{"DEPT", "EMP"}, {"EMP", "DEPT"}, {"EMP", "JOB"}, {"DEPT", "DEPT"}}, {"JOB", "DEPT", "EMP"}},
        {{"X", "Y"}, {{"X", "ELSEWHERE"}}, {"X", "Y"}},  // a table not copied does not hold one back
        {{"B", "A"}, {}, {"B", "A"}},
    };
    for (const auto& c : cases) EXPECT_EQ(InForeignKeyOrder(c.tables, c.references, same), c.ordered);
}

// Progress is a few lines a second for the whole run, however many tables it copies: the first
// table's lines, then one for each interval (200 ms on a terminal, 2 s elsewhere) that passed.
TEST(ConsoleProgress, ManySmallTablesWriteAFewLines) {
    for (const bool terminal : {true, false}) {
        std::ostringstream out;
        Console toolkit(out, terminal);
        const auto start = std::chrono::steady_clock::now();
        for (int t = 0; t < 500; ++t)
            for (long long row = 1; row <= 3; ++row) toolkit.rowsSent("T" + std::to_string(t), row, 3);
        toolkit.endProgressLine();
        const double intervals = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                                 (terminal ? 0.2 : 2.0);
        const std::string text = out.str();
        const auto lines = std::count(text.begin(), text.end(), terminal ? '\r' : '\n');
        EXPECT_LE(lines, 2 + 2 * static_cast<long>(intervals)) << terminal << "\n" << text.substr(0, 400);
        EXPECT_NE(text.find("T0: 3 of 3 rows"), std::string::npos) << "a table that showed a line ends it";
    }
}

TEST(ParseCopyOptions, OptionsLayOverTheStoredLogins) {
    StoredLogins stored;
    stored.firebird = {"/stored.fdb", "SYSDBA", "a"};
    stored.sqlServer = {"SRV", "1433", "Sales", "sa", "b", false};
    const auto o = std::get<CopyOptions>(
        ParseCopyOptions({"--fb-password", "p;w", "--ms-port", "1500", "--ms-local", "test"}));
    const StoredLogins s = o.apply(stored);
    EXPECT_EQ(s.firebird.database, "/stored.fdb");
    EXPECT_EQ(s.firebird.password, "p;w");
    EXPECT_EQ(s.sqlServer.port, "1500");
    EXPECT_TRUE(s.sqlServer.localConnection);
    EXPECT_EQ(s.sqlServer.password, "b");
}

class CopyCommandTest : public testing::Test {
protected:
    int run(std::vector<std::string> args, bool overwrite = false, const StopRequest* stop = nullptr) {
        Console toolkit(printed);
        // The overwrite question's answer is the option's, as a scheduled copy gives it.
        if (overwrite) args.insert(args.begin(), {"--overwrite", "yes"});
        return RunCopyCommand(std::get<CopyOptions>(ParseCopyOptions(args)), {}, db, toolkit, printed, stop);
    }
    // Two Firebird tables, ORDERS and LINES, with a default, keys, an identity and a foreign key.
    void scriptKeys() {
        db.catalogue = FakeDatabase::Catalogue({{"ORDERS", "TABLE"}, {"LINES", "TABLE"}});
        db.results["SELECT * FROM \"ORDERS\""] = {{{"ID", 3}, {"CODE", 202, 10}}, {{std::int64_t{4}, std::string("a")}}};
        db.results["SELECT * FROM \"LINES\""] = {{{"ID", 3}, {"ORDER_ID", 3}}, {{std::int64_t{1}, std::int64_t{4}}}};
        auto fields = [](int count) { return std::vector<FieldInfo>(count, FieldInfo{"F", 202}); };
        using Row = std::vector<Value>;
        db.resultsContaining = {
            {{"RDB$COMPUTED_SOURCE", "with ORDERS"},
             {fields(6), {Row{"ID", std::int64_t{1}, Null{}, Null{}, "RDB$1", Null{}},
                          Row{"CODE", std::int64_t{0}, "DEFAULT 'x'", Null{}, "RDB$2", Null{}}}}},
            {{"'PRIMARY KEY', 'UNIQUE', 'CHECK'", "with ORDERS"},
             {fields(3), {Row{"PK_ORDERS", "PRIMARY KEY", "ID"}, Row{"INTEG_5", "UNIQUE", "CODE"}}}},
            {{"RDB$TRIGGERS", "with ORDERS"},
             {fields(3), {Row{"SET_ID", std::int64_t{1}, "AS BEGIN IF (NEW.ID IS NULL) THEN new.id = gen_id(g, 1); END"}}}},
            {{"'FOREIGN KEY'", "with LINES"},
             {fields(6), {Row{"FK_LINES", "ORDER_ID", "ORDERS", "ID", "RESTRICT", "CASCADE"}}}},
            {{"RDB$"}, {fields(1), {}}},  // the rest of the catalogue: nothing
        };
    }
    FakeDatabase db;
    std::ostringstream printed;
};

TEST_F(CopyCommandTest, ListsOneSide) {
    db.catalogue = FakeDatabase::Catalogue({{"b", "TABLE"}, {"A", "TABLE"}, {"RDB$X", "SYSTEM TABLE"}});
    EXPECT_EQ(run({"list", "firebird"}), 0);
    EXPECT_EQ(printed.str(), "A\nb\n");
}

// A name is one line, whatever it holds: control characters as escapes, never raw to the terminal.
TEST_F(CopyCommandTest, NamesAreOneLineAndNeverColourTheTerminal) {
    db.catalogue = FakeDatabase::Catalogue(
        {{"new\nline", "TABLE"}, {"\x1b[31mred", "TABLE"}, {"back\\slash", "TABLE"}, {"Zoë", "TABLE"}});
    EXPECT_EQ(run({"list", "firebird"}), 0);
    EXPECT_EQ(printed.str(), "\\x1B[31mred\nback\\\\slash\nnew\\nline\nZoë\n");
    printed.str("");
    EXPECT_EQ(run({"send-to-firebird", "tab\there"}), kExitFailed);
    EXPECT_NE(printed.str().find("no table named \"tab\\there\""), std::string::npos) << printed.str();
}

// The exit status and the summary line per table, for each way a copy can go.
TEST_F(CopyCommandTest, SendsTheNamedTablesAndSaysHowItWent) {
    db.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}});
    db.results["SELECT * FROM [Orders]"] = {{{"ID", 3}}, {{std::int64_t{1}}, {std::int64_t{2}}}};
    db.results["SELECT COUNT(*) FROM \"Orders\""] = {{{"COUNT", 20}}, {{std::int64_t{2}}}};

    // Both lists come from one fake, so Orders is on both sides and the question is asked.
    EXPECT_EQ(run({"send-to-firebird", "Orders"}), kExitSkipped);
    EXPECT_NE(printed.str().find("Would you like to overwrite Orders? no"), std::string::npos);
    EXPECT_NE(printed.str().find("table Orders: read 0, written 0, refused 0, 0.0 s, in target 2, skipped: it exists"),
              std::string::npos)
        << printed.str();

    printed.str("");
    EXPECT_EQ(run({"send-to-firebird", "Orders"}, true), kExitCopied) << printed.str();
    EXPECT_NE(printed.str().find("Orders: 2 of 2 rows"), std::string::npos) << printed.str();
    EXPECT_NE(printed.str().find("table Orders: read 2, written 2, refused 0, "), std::string::npos);
    EXPECT_NE(printed.str().find(" s, in target 2, complete\n"), std::string::npos) << printed.str();

    printed.str("");
    EXPECT_EQ(run({"send-to-firebird", "Missing"}), kExitFailed);
    EXPECT_NE(printed.str().find("no table named \"Missing\""), std::string::npos);

    printed.str("");
    db.failOn("execute INSERT", "conversion error", 1);
    EXPECT_EQ(run({"send-to-firebird", "Orders"}, true), kExitFailed);
    EXPECT_NE(printed.str().find("tessaline-copy: Orders, row 1 (ID '1'): conversion error [step 318]\n"),
              std::string::npos)
        << printed.str();
    EXPECT_NE(printed.str().find("read 2, written 1, refused 1, "), std::string::npos) << printed.str();
    EXPECT_NE(printed.str().find("in target 2 (differs from written), some rows refused"), std::string::npos)
        << printed.str();
}

// SQL Server's query time-out is the stall time-out, so that a driver that ignores the cancel
// still gives the statement up in time; 0 ("wait without end") keeps the usual 5000 s.
TEST_F(CopyCommandTest, SqlServerQueriesTimeOutWithTheStall) {
    db.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}});
    db.results["SELECT * FROM [Orders]"] = {{{"ID", 3}}, {{std::int64_t{1}}}};
    const struct {
        const char* stall;
        std::vector<std::string> timeouts;  // Firebird's, then SQL Server's
    } cases[] = {{"30", {"CommandTimeout 5000", "CommandTimeout 30"}},
                 {"0", {"CommandTimeout 5000", "CommandTimeout 5000"}},
                 {"99999", {"CommandTimeout 5000", "CommandTimeout 5000"}}};
    for (const auto& c : cases) {
        db.log.clear();
        run({"--stall-timeout", c.stall, "--overwrite", "yes", "send-to-firebird", "Orders"}, true);
        EXPECT_EQ(db.calls("CommandTimeout"), c.timeouts) << c.stall;
    }
}

// A try to connect again waits no longer than the stall time-out: a frozen server held three tries
// of 15 s where the user asked for 5.
TEST_F(CopyCommandTest, ConnectingAgainWaitsNoLongerThanTheStall) {
    db.catalogue = FakeDatabase::Catalogue({{"A", "TABLE"}, {"B", "TABLE"}});
    db.results["SELECT * FROM [A]"] = {{{"ID", 3}}, {{std::int64_t{1}}, {std::int64_t{2}}}};
    db.results["SELECT * FROM [B]"] = {{{"ID", 3}}, {{std::int64_t{1}}}};
    for (const auto& [stall, timeout] : {std::pair{"5", "ConnectionTimeout 5"}, std::pair{"0", "ConnectionTimeout 15"}}) {
        db.log.clear();
        db.failOn("execute INSERT INTO \"A\" VALUES(2)", "[08S01] Communication link failure", 1, true);
        run({"--stall-timeout", stall, "send-to-firebird", "A", "B"}, true);
        const auto timeouts = db.calls("ConnectionTimeout");
        ASSERT_EQ(timeouts.size(), 7u) << stall << ": listed, opened, opened again, then counted\n" << printed.str();
        for (size_t i : {0u, 1u, 4u, 5u, 6u}) EXPECT_EQ(timeouts[i], timeout) << stall << ": call " << i;
        EXPECT_NE(printed.str().find("connected again"), std::string::npos) << printed.str();
    }
    // verify, listing and comparing, connects within the stall time-out too.
    db.log.clear();
    run({"--stall-timeout", "5", "verify", "sqlserver-to-firebird", "A"}, true);
    const auto verifying = db.calls("ConnectionTimeout");
    ASSERT_EQ(verifying.size(), 3u) << "listed, then both ends\n" << printed.str();
    for (const auto& t : verifying) EXPECT_EQ(t, "ConnectionTimeout 5");
}

// A server that stops answering once connected, as the tables are listed (a copy's, a verify's or a
// list's), has its catalogue query cancelled after the stall time-out: the listing fails, said,
// instead of waiting on it for good.
TEST_F(CopyCommandTest, AServerThatStopsAnsweringWhileListingIsCancelledAfterTheStall) {
    db.catalogue = FakeDatabase::Catalogue({{"A", "TABLE"}});
    for (const char* side : {"sqlserver", "firebird"}) {
        db.blockOn("schema 20");
        printed.str("");
        const int before = db.cancels;
        EXPECT_EQ(run({"--stall-timeout", "1", "list", side}), kExitFailed) << side;
        EXPECT_GT(db.cancels, before) << side;
        EXPECT_NE(printed.str().find("Operation cancelled"), std::string::npos) << side << ": " << printed.str();
    }
}

// A target that stops answering the summary's counts is cancelled after the stall time-out: the
// count is said unknown, and the run ends.
TEST_F(CopyCommandTest, TheSummarysCountKeepsToTheStall) {
    db.catalogue = FakeDatabase::Catalogue({{"A", "TABLE"}});
    db.results["SELECT * FROM [A]"] = {{{"ID", 3}}, {{std::int64_t{1}}}};
    db.blockOn("query SELECT COUNT(*) FROM \"A\"");
    EXPECT_EQ(run({"--stall-timeout", "1", "send-to-firebird", "A"}, true), kExitCopied) << printed.str();
    EXPECT_GT(db.cancels, 0);
    EXPECT_NE(printed.str().find("in target unknown, complete"), std::string::npos) << printed.str();
}

// --stall-timeout as the watchdog's limits and a connection's wait, at each edge. A time-out whose
// nanoseconds pass 2^64 (18,446,744,074 s) would wrap to a fraction of a second.
TEST(StallLimits, EachEdgeOfTheStallTimeOut) {
    const struct {
        long long seconds;
        int connecting;
        bool noEnd;  // the watchdog waits at least a year
    } cases[] = {{0, 15, false}, {1, 1, false}, {14, 14, false}, {15, 15, false}, {16, 15, false},
                 {100'000'000, 15, true}, {18'446'744'074, 15, true}, {999'999'999'999'999, 15, true}};
    for (const auto& c : cases) {
        CopyOptions options;
        options.stallTimeout = c.seconds;
        EXPECT_EQ(ConnectingWithin(options), c.connecting) << c.seconds;
        const auto stall = StallLimits(options).stall;
        EXPECT_GE(stall, std::chrono::seconds(0)) << c.seconds;
        if (c.noEnd) EXPECT_GT(stall, std::chrono::hours(24 * 365)) << c.seconds;
        else EXPECT_EQ(stall, std::chrono::seconds(c.seconds));
    }
}

// What --keys sends SQL Server, in its order: the identity in the CREATE, the copied values let
// into it around the rows, each table's keys once its rows are in, and the foreign keys last.
TEST_F(CopyCommandTest, KeysReachSqlServerInTheirOrder) {
    scriptKeys();
    const auto json = std::filesystem::temp_directory_path() / ("keys-" + std::to_string(getpid()) + ".json");
    EXPECT_EQ(run({"--keys", "--summary-json", json.string(), "send-to-sqlserver", "ORDERS", "LINES"}, true),
              kExitCopied)
        << printed.str();
    const auto summary = nlohmann::json::parse(std::ifstream(json));
    std::filesystem::remove(json);
    EXPECT_EQ(summary["tables"][1]["structure"]["made"],
              nlohmann::json::array({"foreign key FK_LINES (ORDER_ID) to ORDERS"}));
    std::vector<std::string> sent;
    for (const auto& call : db.calls("execute "))
        if (call.find("DROP TABLE") == std::string::npos) sent.push_back(call.substr(8));
    EXPECT_EQ(sent, (std::vector<std::string>{
                        "CREATE TABLE [ORDERS]([ID] INT IDENTITY(1,1),[CODE] NVARCHAR(10));",
                        "SET IDENTITY_INSERT [ORDERS] ON",
                        "INSERT INTO [ORDERS]([ID], [CODE]) VALUES('4', 'a')",
                        "SET IDENTITY_INSERT [ORDERS] OFF",
                        "CREATE TABLE [LINES]([ID] INT,[ORDER_ID] INT);",
                        "INSERT INTO [LINES] VALUES('1', '4')",
                        "ALTER TABLE [ORDERS] ADD DEFAULT 'x' FOR [CODE]",
                        "ALTER TABLE [ORDERS] ADD CONSTRAINT [PK_ORDERS] PRIMARY KEY ([ID])",
                        "ALTER TABLE [ORDERS] ADD UNIQUE ([CODE])",
                        "DBCC CHECKIDENT (N'[ORDERS]', RESEED)",
                        "ALTER TABLE [LINES] ADD CONSTRAINT [FK_LINES] FOREIGN KEY ([ORDER_ID]) REFERENCES [ORDERS] "
                        "([ID]) ON DELETE CASCADE",
                    }));
    EXPECT_NE(printed.str().find("  made: default of CODE; primary key PK_ORDERS (ID); unique constraint (CODE); "
                                 "identity ID, continuing after the largest value\n"),
              std::string::npos)
        << printed.str();
}

// A connection lost while the keys are made is made again, and the statement it cut is sent once
// more: every key is made, with one line for the new connection and no report.
TEST_F(CopyCommandTest, KeysOutliveALostConnection) {
    scriptKeys();
    db.failOn("execute ALTER TABLE [ORDERS] ADD UNIQUE", "[08S01] Communication link failure", 1, true);
    EXPECT_EQ(run({"--keys", "send-to-sqlserver", "ORDERS", "LINES"}, true), kExitCopied) << printed.str();
    EXPECT_EQ(db.calls("execute ALTER TABLE [ORDERS] ADD UNIQUE").size(), 2u);
    EXPECT_NE(printed.str().find("connected again"), std::string::npos) << printed.str();
    EXPECT_NE(printed.str().find("  made: default of CODE; primary key PK_ORDERS (ID); unique constraint (CODE); "
                                 "identity ID, continuing after the largest value\n"),
              std::string::npos)
        << printed.str();
    EXPECT_NE(printed.str().find("  made: foreign key FK_LINES (ORDER_ID) to ORDERS\n"), std::string::npos)
        << printed.str();
    EXPECT_EQ(printed.str().find("NOT MADE"), std::string::npos) << printed.str();
}

// Keys are made for every table whose rows went in, across new connections: ORDERS, copied before
// LINES lost its connection, and LINES, cut part-way and copied again. A table lost for good gets
// none, and the connection is made again for the keys only when they are asked for.
TEST_F(CopyCommandTest, KeysAreMadeForEveryTableAcrossNewConnections) {
    const std::string ordersMade = "  made: default of CODE; primary key PK_ORDERS (ID); unique constraint (CODE); "
                                   "identity ID, continuing after the largest value\n";
    scriptKeys();
    db.failOn("execute INSERT INTO [LINES]", "[08S01] Communication link failure", 1, true);
    EXPECT_EQ(run({"--keys", "send-to-sqlserver", "ORDERS", "LINES"}, true), kExitCopied) << printed.str();
    EXPECT_NE(printed.str().find(ordersMade), std::string::npos) << printed.str();
    EXPECT_NE(printed.str().find("  made: foreign key FK_LINES (ORDER_ID) to ORDERS\n"), std::string::npos)
        << printed.str();
    size_t opens[2] = {};
    for (const bool keys : {true, false}) {
        db.log.clear();
        printed.str("");
        db.failOn("execute INSERT INTO [LINES]", "[08S01] Communication link failure", 2, true);  // and again
        std::vector<std::string> args = {"send-to-sqlserver", "ORDERS", "LINES"};
        if (keys) args.insert(args.begin(), "--keys");
        EXPECT_EQ(run(args, true), kExitFailed) << printed.str();
        opens[keys] = db.calls("open ").size();
        if (keys) {
            EXPECT_NE(printed.str().find(ordersMade), std::string::npos) << printed.str();
        }
    }
    EXPECT_EQ(opens[true], opens[false] + 2) << "both ends made again for the keys, and only for them";
}

// Every table in one run, less those excluded; the summary lists each.
TEST_F(CopyCommandTest, AllTablesInOneRunLessThoseExcluded) {
    db.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}, {"Lines", "TABLE"}, {"OldOrders", "TABLE"}});
    for (const char* table : {"Orders", "Lines"}) {
        db.results["SELECT * FROM [" + std::string(table) + "]"] = {{{"ID", 3}}, {{std::int64_t{1}}}};
        db.results["SELECT COUNT(*) FROM \"" + std::string(table) + "\""] = {{{"COUNT", 20}}, {{std::int64_t{1}}}};
    }
    EXPECT_EQ(run({"send-to-firebird", "--all", "--exclude", "Old*"}, true), kExitCopied) << printed.str();
    EXPECT_NE(printed.str().find("table Orders: read 1, written 1"), std::string::npos) << printed.str();
    EXPECT_NE(printed.str().find("table Lines: read 1, written 1"), std::string::npos) << printed.str();
    EXPECT_EQ(printed.str().find("OldOrders"), std::string::npos) << printed.str();
    printed.str("");
    EXPECT_EQ(run({"send-to-firebird", "--include", "Nothing*"}), kExitFailed);
    EXPECT_NE(printed.str().find("no table in the source list matches"), std::string::npos) << printed.str();
}

// A stop reaches a call that is blocked in the driver: the call is cancelled, the table ends as
// stopped with what was written committed, and the cancel is no error to report.
TEST_F(CopyCommandTest, AStopCancelsACallBlockedInTheDriver) {
    db.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}});
    db.results["SELECT * FROM [Orders]"] = {{{"ID", 3}}, {{std::int64_t{1}}, {std::int64_t{2}}, {std::int64_t{3}}}};
    db.results["SELECT COUNT(*) FROM \"Orders\""] = {{{"COUNT", 20}}, {{std::int64_t{1}}}};
    db.blockOn("execute INSERT INTO \"Orders\" VALUES(2)");
    StopRequest stop;
    auto copy = std::async(std::launch::async, [&] { return run({"send-to-firebird", "Orders"}, true, &stop); });
    if (!db.waitUntilBlocked()) {
        stop.request(15);
        copy.get();
        FAIL() << "no call blocked: " << printed.str();
    }
    stop.request(15);
    EXPECT_EQ(copy.get(), 128 + 15) << "the status a shell gives SIGTERM";
    EXPECT_GE(db.cancels, 1);
    EXPECT_EQ(printed.str().find("Application Error"), std::string::npos) << printed.str();
    EXPECT_NE(printed.str().find("table Orders: read 2, written 1, refused 0, "), std::string::npos) << printed.str();
    EXPECT_NE(printed.str().find("in target 1, stopped"), std::string::npos) << printed.str();
    EXPECT_EQ(db.calls("commit").size(), 1u);
}

// verify stops on the first signal too: the call under way is cancelled, and the summary says how
// far it got and which tables were not compared.
TEST_F(CopyCommandTest, AStopEndsVerifyAndSaysHowFar) {
    db.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}, {"Other", "TABLE"}});
    db.results["SELECT * FROM [Orders]"] = {{{"ID", 3}}, {{std::int64_t{1}}, {std::int64_t{2}}}};
    db.blockOn("query SELECT * FROM \"Orders\"");
    StopRequest stop;
    auto verify = std::async(std::launch::async, [&] {
        return run({"verify", "sqlserver-to-firebird", "Orders", "Other"}, false, &stop);
    });
    ASSERT_TRUE(db.waitUntilBlocked());
    stop.request(2);
    EXPECT_EQ(verify.get(), 128 + 2);
    EXPECT_NE(printed.str().find("table Orders: stopped: Operation cancelled\ntable Other: not compared\n"),
              std::string::npos)
        << printed.str();
}

// A column of a type neither side has a form for is never called identical.
TEST_F(CopyCommandTest, AColumnVerifyCannotCompareLeavesTheTableNotVerified) {
    db.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}});
    db.results["SELECT * FROM [Orders]"] = {{{"ID", 3}, {"SHAPE", 999}}, {{std::int64_t{1}, std::string()}}};
    db.results["SELECT * FROM \"Orders\""] = {{{"ID", 3}, {"SHAPE", 200}}, {{std::int64_t{1}, Null{}}}};
    EXPECT_EQ(run({"verify", "sqlserver-to-firebird", "Orders"}), kExitFailed);
    EXPECT_NE(printed.str().find("table Orders: not verified: column SHAPE is of a type the verification cannot "
                                 "compare (ADO type 999)\n"),
              std::string::npos)
        << printed.str();
}

// Results on standard output, a line a table; diagnostics on standard error, a line each; and the
// summary as JSON for a scheduler.
TEST_F(CopyCommandTest, ResultsAndDiagnosticsGoApart) {
    db.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}});
    db.results["SELECT * FROM [Orders]"] = {{{"ID", 3}}, {{std::int64_t{1}}, {std::int64_t{2}}}};
    db.results["SELECT COUNT(*) FROM \"Orders\""] = {{{"COUNT", 20}}, {{std::int64_t{2}}}};
    db.failOn("execute INSERT", "conversion error\nexpected length 5", 1);
    // Orders' key, as SQL Server's catalogue gives it.
    db.results["SELECT K.COLUMN_NAME, T.CONSTRAINT_NAME FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS T "
               "JOIN INFORMATION_SCHEMA.KEY_COLUMN_USAGE K ON K.CONSTRAINT_SCHEMA = T.CONSTRAINT_SCHEMA "
               "AND K.CONSTRAINT_NAME = T.CONSTRAINT_NAME WHERE T.TABLE_SCHEMA = SCHEMA_NAME() AND T.TABLE_NAME = "
               "? AND T.CONSTRAINT_TYPE IN ('PRIMARY KEY', 'UNIQUE') ORDER BY CASE T.CONSTRAINT_TYPE WHEN "
               "'PRIMARY KEY' THEN 0 ELSE 1 END, T.CONSTRAINT_NAME, K.ORDINAL_POSITION with Orders"] =
        {{{"COLUMN_NAME", 202}, {"CONSTRAINT_NAME", 202}},
         {{std::string("Region"), std::string("PK")}, {std::string("ID"), std::string("PK")}}};
    db.results["SELECT * FROM [Orders]"] = {{{"ID", 3}, {"Region", 202}},
                                            {{std::int64_t{1}, std::string("north")}, {std::int64_t{2}, std::string("it's")}}};
    const auto json = std::filesystem::temp_directory_path() / ("summary-" + std::to_string(getpid()) + ".json");
    std::ostringstream results, diagnostics;
    Console toolkit(diagnostics, false);
    const int status = RunCopyCommand(
        std::get<CopyOptions>(ParseCopyOptions(
            {"--overwrite", "yes", "--summary-json", json.string(), "send-to-firebird", "Orders", "Missing"})),
        {}, db, toolkit, results);
    EXPECT_EQ(status, kExitFailed);
    EXPECT_TRUE(std::regex_match(results.str(), std::regex("table Orders: read 2, written 1, refused 1, [0-9.]+ s, in "
                                                           "target 2 \\(differs from written\\), some rows refused\n"
                                                           "table Missing: not in the source\n")))
        << results.str();
    const std::string said = diagnostics.str();
    EXPECT_NE(said.find("tessaline-copy: no table named \"Missing\" in the source list\n"), std::string::npos) << said;
    EXPECT_NE(said.find("tessaline-copy: Orders, row 1 (Region 'north', ID '1'): conversion error / expected length 5 "
                        "[step 318]\n"),
              std::string::npos)
        << said;
    EXPECT_EQ(said.find('\r'), std::string::npos);
    EXPECT_EQ(said.find("Please email"), std::string::npos);
    EXPECT_EQ(said.find("Please select"), std::string::npos) << "a missing table is said once";

    const auto summary = nlohmann::json::parse(std::ifstream(json));
    std::filesystem::remove(json);
    ASSERT_EQ(summary["tables"].size(), 2u);
    EXPECT_EQ(summary["tables"][1]["outcome"], "not in the source");
    const auto& orders = summary["tables"][0];
    EXPECT_EQ(orders["table"], "Orders");
    EXPECT_EQ(orders["outcome"], "some rows refused");
    EXPECT_EQ(orders["rowsRead"], 2);
    EXPECT_EQ(orders["rowsWritten"], 1);
    EXPECT_EQ(orders["rowsRefused"], 1);
    EXPECT_EQ(orders["inTarget"], 2);
    EXPECT_FALSE(orders.contains("cause"));
    EXPECT_EQ(summary["exitStatus"], kExitFailed);
}

// A stop in the middle of a table: the summary names the tables never started and the row the stop
// cut off, and the copy is no success.
TEST_F(CopyCommandTest, TheSummaryNamesTheTablesNeverStarted) {
    db.catalogue = FakeDatabase::Catalogue({{"A", "TABLE"}, {"B", "TABLE"}, {"C", "TABLE"}});
    db.results["SELECT * FROM [A]"] = {{{"ID", 3}}, {{std::int64_t{1}}}};
    db.results["SELECT * FROM [B]"] = {{{"ID", 3}}, {{std::int64_t{1}}}};
    db.results["SELECT COUNT(*) FROM \"A\""] = {{{"COUNT", 20}}, {{std::int64_t{1}}}};
    db.blockOn("execute INSERT INTO \"B\"");
    StopRequest stop;
    auto copy = std::async(std::launch::async,
                           [&] { return run({"send-to-firebird", "A", "B", "C"}, true, &stop); });
    ASSERT_TRUE(db.waitUntilBlocked());
    stop.request(2);
    EXPECT_EQ(copy.get(), 128 + 2);
    EXPECT_NE(printed.str().find("table A: read 1, written 1, refused 0, "), std::string::npos) << printed.str();
    // B's row was under way when the stop cancelled it: said, not counted as written.
    EXPECT_NE(printed.str().find(", stopped (1 row read was not written)\ntable C: not started\n"), std::string::npos)
        << printed.str();
}

TEST(ParseCopyOptions, PasswordsFromFilesAndTheEnvironment) {
    const std::string file = testing::TempDir() + "tessaline-password", missing = testing::TempDir() + "no-such-file";
    std::ofstream(file) << "from file\nsecond line\n";
    auto parse = [](std::vector<std::string> args) { return std::get<CopyOptions>(ParseCopyOptions(args)); };

    CopyOptions o = parse({"--fb-password-file", file, "test"});
    EXPECT_FALSE(ReadPasswords(o, std::string("env fb"), std::string("env ms")));
    EXPECT_EQ(o.fbPassword, "from file");
    EXPECT_EQ(o.msPassword, "env ms");

    o = parse({"--ms-password", "given", "--ms-password-file", file, "test"});
    EXPECT_FALSE(ReadPasswords(o, std::nullopt, std::string("env ms")));
    EXPECT_EQ(o.msPassword, "given") << "the command line first";
    EXPECT_EQ(o.fbPassword, std::nullopt) << "then the stored logins";

    // A value set from a file's contents keeps no line end, as the file's own first line does not.
    o = parse({"test"});
    EXPECT_FALSE(ReadPasswords(o, std::string("env fb\n"), std::string("env ms\r\n")));
    EXPECT_EQ(o.fbPassword, "env fb");
    EXPECT_EQ(o.msPassword, "env ms");

    o = parse({"--fb-password-file", missing, "test"});
    EXPECT_EQ(ReadPasswords(o, {}, {})->message, "cannot read the password file " + missing);
    EXPECT_EQ(parse({"--help"}).command, "help");
    EXPECT_EQ(parse({"test", "--version"}).command, "version");
}

}  // namespace
}  // namespace tess
