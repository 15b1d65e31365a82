// The copy engine's one entry point against real databases (SQLite's ODBC driver standing in for
// SQL Server, embedded Firebird), heard by an observer that records what it is told, in order.
#include <gtest/gtest.h>

#include <set>

#include "common/stop_request.h"
#include "connect/connection_strings.h"
#include "standin_database.h"
#include "temp_folder.h"
#include "fakes/fixed_ends.h"
#include "transfer/transfer_run.h"

namespace tess {
namespace {

struct Recorder : TransferObserver {
    bool overwrite(const std::string& table) override {
        events.push_back("overwrite " + table);
        return yes.count(table) > 0;
    }
    void failed(const CopyFailure& failure) override {
        failures.push_back(failure);
        events.push_back("failed " + failure.table + " row " + std::to_string(failure.row));
    }
    void showProgress(double percent) override { progress.push_back(percent); }
    void rowSent(const std::string&, long long done, long long) override {
        if (onRow) onRow(done);
    }
    void targetDropped(const std::string& table) override { events.push_back("dropped " + table); }
    void targetMade(const std::string& table) override { events.push_back("made " + table); }
    void tableStarting(size_t index) override { events.push_back("start " + std::to_string(index)); }
    void tableDone(const TableOutcome& o) override { events.push_back("done " + o.source + ": " + EndingText(o.ending)); }
    bool waitToReconnect(std::chrono::seconds, int, int) override { return false; }

    std::set<std::string> yes;  // the tables whose overwrite question is answered Yes
    std::function<void(long long)> onRow;
    std::vector<std::string> events;
    std::vector<CopyFailure> failures;
    std::vector<double> progress;
};

class TransferRun : public testing::Test {
protected:
    void SetUp() override {
        CreateFirebirdDatabase(folder.file("target.fdb"));
        standIn = db.createConnection();
        standIn->open(SqlServerSettings({"localhost", "1433", folder.file("standin.db"), "sa", "", false}));
        firebird = db.createConnection();
        firebird->open(FirebirdSettings({folder.file("target.fdb"), "SYSDBA", ""}));
    }
    long long FirebirdRows(const std::string& table) {
        auto rows = firebird->openRecordset("SELECT COUNT(*) FROM " + table);
        return std::get<std::int64_t>(rows->value(0));
    }

    TempFolder folder;
    StandInDatabase db;
    std::unique_ptr<Connection> standIn, firebird;
};

TEST_F(TransferRun, TellsEachTableInOrderWithItsFailuresTyped) {
    standIn->execute("CREATE TABLE GOOD (ID INTEGER PRIMARY KEY, NAME VARCHAR(5))");
    standIn->execute("INSERT INTO GOOD VALUES (1, 'a'), (2, 'too long'), (3, 'c')");
    for (const char* table : {"KEPT", "REPLACED"}) {
        standIn->execute(std::string("CREATE TABLE ") + table + " (ID INTEGER)");
        standIn->execute(std::string("INSERT INTO ") + table + " VALUES (1), (2)");
        firebird->execute(std::string("CREATE TABLE ") + table + " (OLD INTEGER)");
    }
    const std::string tooLong = "A_NAME_FAR_LONGER_THAN_FIREBIRD_THREE_TAKES_FOR_ITS_TABLES";
    standIn->execute("CREATE TABLE " + tooLong + " (ID INTEGER)");
    TransferPlan plan;
    plan.tables = {"GOOD", "KEPT", "REPLACED", tooLong};
    plan.targetTables = {"KEPT", "REPLACED"};
    plan.nameRowsByKey = true;
    Recorder seen;
    seen.yes = {"REPLACED"};
    FixedEnds ends(*standIn, *firebird);

    const TransferResult result = RunTransfer(plan, ends, seen);

    EXPECT_EQ(seen.events, (std::vector<std::string>{
                               "start 0", "failed GOOD row 2", "made GOOD", "done GOOD: complete",
                               "start 1", "overwrite KEPT", "done KEPT: skipped: it exists",
                               "start 2", "overwrite REPLACED", "dropped REPLACED", "made REPLACED",
                               "done REPLACED: complete",
                               "start 3", "failed " + tooLong + " row 0", "done " + tooLong + ": not copied"}));
    ASSERT_EQ(seen.failures.size(), 2u);
    const CopyFailure& row = seen.failures[0];
    EXPECT_EQ(row.stage, CopyStage::kInsert);
    EXPECT_EQ(row.rowKey, "ID '2'");
    EXPECT_FALSE(row.endsTable) << "a row's own failure leaves the rest of the table to go";
    EXPECT_NE(row.words.find("truncation"), std::string::npos) << row.words;
    EXPECT_EQ(seen.failures[1].stage, CopyStage::kCreate);
    EXPECT_TRUE(seen.failures[1].endsTable);

    EXPECT_EQ(result.end, TransferResult::End::kDone);
    ASSERT_EQ(result.tables.size(), 4u);
    EXPECT_EQ(result.tables[0].rowsWritten, 2);
    EXPECT_EQ(result.tables[0].rowsRefused, 1);
    EXPECT_EQ(result.tables[0].failures, 1);
    EXPECT_EQ(result.tables[2].failures, 0);
    EXPECT_EQ(FirebirdRows("GOOD"), 2);
    EXPECT_EQ(FirebirdRows("REPLACED"), 2);
    auto kept = firebird->openRecordset("SELECT * FROM KEPT");
    EXPECT_EQ(kept->field(0).name, "OLD") << "the table answered No stays as it was";
}

TEST_F(TransferRun, AStopEndsTheTableUnderWayAndStartsNoOther) {
    standIn->execute("CREATE TABLE BIG (ID INTEGER PRIMARY KEY)");
    standIn->execute("WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < 2000) "
                     "INSERT INTO BIG SELECT I FROM N");
    standIn->execute("CREATE TABLE NEXT_ONE (ID INTEGER)");
    StopRequest stop;
    TransferPlan plan;
    plan.tables = {"BIG", "NEXT_ONE"};
    plan.stop = &stop;
    Recorder seen;
    seen.onRow = [&](long long done) {
        if (done == 100) stop.request();
    };
    FixedEnds ends(*standIn, *firebird);

    const TransferResult result = RunTransfer(plan, ends, seen);

    EXPECT_EQ(result.end, TransferResult::End::kStopped);
    ASSERT_EQ(result.tables.size(), 1u) << "the table after the stop is not started";
    const TableOutcome& big = result.tables[0];
    EXPECT_EQ(big.ending, TableOutcome::kStopped);
    EXPECT_EQ(big.rowsRead, 100);
    EXPECT_EQ(big.rowsWritten, 100) << "the rows read before the stop are written and committed";
    EXPECT_EQ(FirebirdRows("BIG"), 100);
    EXPECT_TRUE(seen.failures.empty());
}

// Each direction counts its source before it opens it, for the progress.
TEST_F(TransferRun, EachDirectionCountsItsSourceForTheProgress) {
    standIn->execute("CREATE TABLE FOUR (ID INTEGER)");
    standIn->execute("INSERT INTO FOUR VALUES (1), (2), (3), (4)");
    firebird->execute("CREATE TABLE BACK_AGAIN (ID INTEGER)");
    firebird->execute("INSERT INTO BACK_AGAIN SELECT 1 FROM RDB$DATABASE UNION ALL SELECT 2 FROM RDB$DATABASE");
    for (const bool toFirebird : {true, false}) {
        TransferPlan plan;
        plan.toFirebird = toFirebird;
        plan.tables = {toFirebird ? "FOUR" : "BACK_AGAIN"};
        Recorder seen;
        FixedEnds ends(toFirebird ? *standIn : *firebird, toFirebird ? *firebird : *standIn);
        const TransferResult result = RunTransfer(plan, ends, seen);
        ASSERT_EQ(result.tables.size(), 1u);
        EXPECT_EQ(result.tables[0].ending, TableOutcome::kComplete) << toFirebird;
        EXPECT_EQ(seen.progress, toFirebird ? (std::vector<double>{25, 50, 75, 100}) : (std::vector<double>{50, 100}))
            << toFirebird;
    }
}

}  // namespace
}  // namespace tess
