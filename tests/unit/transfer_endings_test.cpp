// How a transfer ends: completely, on a stop request, or when the target can take no more; and
// what each table's outcome says about it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <condition_variable>
#include <thread>

#include "fakes/engine_copy.h"
#include "fakes/fake_database.h"
#include "fakes/fake_toolkit.h"
#include "fakes/fixed_logins.h"
#include "platform/transaction.h"
#include "report/failure_text.h"
#include "common/copy_watchdog.h"
#include "transfer/table_ending.h"
#include "transfer/table_outcome.h"

namespace tess {
namespace {

FakeResult Rows(int count) { return FakeDatabase::Numbered(count); }

class TransferEndings : public testing::Test {
protected:
    void send(EngineCopy how, const std::vector<std::string>& tables) {
        observer.onRow = [this](long long done) {
            if (done == stopAfter) observer.stop.request(15);
        };
        CopyThroughEngine(db, logins, how, how.toFirebird ? list2 : list1, tables, observer);
    }
    void toFirebird(const std::vector<std::string>& tables) { send({.toFirebird = true}, tables); }
    void toSqlServer(const std::vector<std::string>& tables) { send({.toFirebird = false}, tables); }

    FakeDatabase db;
    FakeToolkit ui;
    FixedLogins logins;
    FakeTableList list1, list2;  // the SQL Server and Firebird tables as listed
    RecordingObserver observer{ui, "in Orvenda5/20/2014.Form2.PushButton3_Click "};
    long long stopAfter = -1;
    const std::vector<TableOutcome>& outcomes = observer.outcomes;
};

// SQL Server link lost at a row: one report for the table, saying how far it got; the next table
// is still attempted.
TEST_F(TransferEndings, ALostConnectionEndsTheTableWithOneReport) {
    db.results["SELECT * FROM \"B\""] = Rows(5);
    db.results["SELECT * FROM \"A\""] = Rows(2);
    db.failOn("execute INSERT INTO [B] VALUES('3')", "[08S01] Communication link failure", -1, true);
    toSqlServer({"B", "A"});
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("[08S01] Communication link failure\nThe copy of B ended here; 2 rows of it "
                                    "stand in the target."),
              std::string::npos)
        << ui.boxes[0].text;
    EXPECT_NE(ui.boxes[0].text.find("at line 250"), std::string::npos);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].target, "B");
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kConnectionLost);
    EXPECT_EQ(outcomes[0].rowsRead, 3);
    EXPECT_EQ(outcomes[0].rowsWritten, 2);
    EXPECT_EQ(outcomes[1].target, "A");
    EXPECT_EQ(outcomes[1].ending, TableOutcome::kComplete);
    EXPECT_EQ(outcomes[1].rowsWritten, 2);
}

// A full disk under Firebird's open transaction: the rows since the last commit do not stand.
TEST_F(TransferEndings, AFullDiskCountsOnlyCommittedRows) {
    db.results["SELECT * FROM [B]"] = Rows(5);
    db.results["SELECT * FROM [C]"] = Rows(1);
    db.failOn("execute INSERT INTO \"B\" VALUES(4)", "I/O error during \"write\" operation\n-No space left on device",
              -1, true);
    db.failOn("execute CREATE TABLE \"C\"", "I/O error during \"write\" operation", -1, true);
    toFirebird({"C", "B"});
    ASSERT_EQ(ui.boxes.size(), 2u) << "one for each table";
    EXPECT_NE(ui.boxes[0].text.find("The copy of C"), std::string::npos);
    EXPECT_NE(ui.boxes[1].text.find("0 rows of it stand in the target"), std::string::npos) << ui.boxes[1].text;
    EXPECT_EQ(db.calls("execute INSERT INTO \"C\"").size(), 0u) << "no row is tried once the CREATE found no room";
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[1].ending, TableOutcome::kConnectionLost);
    EXPECT_EQ(outcomes[1].rowsWritten, 0);
}

// A stop request (a signal, a closed window) commits the rows written and ends the run.
TEST_F(TransferEndings, AStopCommitsWhatWasWrittenAndEnds) {
    db.results["SELECT * FROM [B]"] = Rows(10);
    db.results["SELECT * FROM [A]"] = Rows(10);
    stopAfter = 4;
    toFirebird({"B", "A"});
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(db.calls("execute INSERT").size(), 4u);
    EXPECT_EQ(db.calls("commit").size(), 1u);
    ASSERT_EQ(outcomes.size(), 1u) << "A is not started";
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kStopped);
    EXPECT_EQ(outcomes[0].rowsWritten, 4);
    EXPECT_EQ(db.calls("close").size(), 2u) << "both connections closed";
    // Heard between two rows: nothing was cancelled, so no cancel could reach the commit.
    EXPECT_EQ(db.cancels, 0);
}

TEST_F(TransferEndings, RefusedRowsAndSkippedTablesAreCounted) {
    list2 = FakeTableList({"A"});
    db.results["SELECT * FROM [B]"] = Rows(3);
    db.failOn("execute INSERT INTO \"B\" VALUES(2)", "numeric value is out of range");
    ui.answers = {kAnswerNo};
    toFirebird({"B", "A"});
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kComplete);
    EXPECT_EQ(outcomes[0].rowsRead, 3);
    EXPECT_EQ(outcomes[0].rowsWritten, 2);
    EXPECT_EQ(outcomes[0].rowsRefused, 1);
    EXPECT_EQ(outcomes[1].ending, TableOutcome::kSkipped);
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// --bulk into SQL Server: batches in transactions; a batch with a refused row is rolled back and
// written again row by row, so that only the refused row is lost, and reported alone.
TEST_F(TransferEndings, BulkBatchesFallBackToRowByRow) {
    db.results["SELECT * FROM \"A\""] = Rows(1200);
    db.failOn("run INSERT INTO [A] VALUES(?) with 700", "[22018] Conversion failed", 2);
    send({.toFirebird = false, .bulk = true}, {"A"});
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("[22018] Conversion failed"), std::string::npos);
    EXPECT_EQ(db.calls("prepare"), std::vector<std::string>{"prepare INSERT INTO [A] VALUES(?)"});
    EXPECT_EQ(db.calls("rollback").size(), 1u) << "only the batch holding row 700";
    EXPECT_EQ(db.calls("commit").size(), 2u) << "the two batches without a refused row";
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].rowsRead, 1200);
    EXPECT_EQ(outcomes[0].rowsWritten, 1199);
    EXPECT_EQ(outcomes[0].rowsRefused, 1);
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kComplete);
}

// A transaction that can be neither committed nor rolled back is said, not swallowed.
TEST_F(TransferEndings, AFailedRollbackIsReported) {
    db.results["SELECT * FROM [B]"] = Rows(3);
    db.failOn("commit", "I/O error during \"write\" operation", 1);
    db.failOn("rollback", "invalid transaction handle (expecting explicit transaction start)", 1);
    toFirebird({"B"});
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_NE(ui.boxes[0].text.find("I/O error"), std::string::npos) << ui.boxes[0].text;
    EXPECT_NE(ui.boxes[1].text.find("invalid transaction handle"), std::string::npos) << ui.boxes[1].text;
    EXPECT_NE(ui.boxes[1].text.find("could be neither committed nor rolled back"), std::string::npos)
        << ui.boxes[1].text;
    ASSERT_EQ(observer.failures.size(), 2u);
    EXPECT_EQ(observer.failures[1].kind, FailureKind::kFateUnknown) << "whether its rows stand is not known";
}

// A batch whose commit and then rollback fail (a full disk: "no transaction is active") may or may
// not stand: it is never written again, and the table ends with one report saying so.
TEST_F(TransferEndings, ABatchOfUnknownFateIsNeverWrittenTwice) {
    db.results["SELECT * FROM \"A\""] = Rows(700);
    db.failOn("commit", "[HY000] disk I/O error", 1);
    db.failOn("rollback", "[HY000] cannot rollback - no transaction is active", 1);
    send({.toFirebird = false, .bulk = true}, {"A"});
    EXPECT_EQ(std::count(db.log.begin(), db.log.end(), "run INSERT INTO [A] VALUES(?) with 1"), 1)
        << "row 1 sent once, in its batch";
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("they are not written again"), std::string::npos) << ui.boxes[0].text;
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kEnded);
    EXPECT_EQ(outcomes[0].rowsWritten, 0);
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// Into Firebird the rows are committed every 10,000 and at the table's end: the edges of a batch.
TEST_F(TransferEndings, FirebirdCommitsEveryTenThousandRows) {
    const struct {
        int rows;
        size_t commits;
    } cases[] = {{1, 1}, {9999, 1}, {10000, 1}, {10001, 2}, {20000, 2}, {20001, 3}};
    for (const auto& c : cases) {
        db.log.clear();
        db.results["SELECT * FROM [T]"] = Rows(c.rows);
        toFirebird({"T"});
        EXPECT_EQ(db.calls("commit").size(), c.commits) << c.rows << " rows";
        EXPECT_EQ(db.calls("begin").size(), c.commits) << c.rows << " rows";
        EXPECT_EQ(observer.outcomes.back().rowsWritten, c.rows);
        list2.clear();
    }
}

// Each failure is reported at its own step, in each direction's numbering: the numbers the
// windows' reports carry, and by which a report is matched to its step.
// A table the target refuses to make, or a listed one it refuses to drop, ends before any row is
// sent: the rows never go into a table of that name that the user did not choose (a hidden one,
// or the old one that stayed).
TEST_F(TransferEndings, ARefusedCreateOrDropSendsNoRow) {
    const struct {
        bool toFirebird, listed;
        const char* failing;
        const char* sentence;
    } cases[] = {
        {true, false, "execute CREATE TABLE", "T was not copied: no rows were sent to it."},
        {false, false, "execute CREATE TABLE", "T was not copied: no rows were sent to it."},
        {true, true, "execute DROP", "T was left as it was, and T was not copied."},
        {false, true, "execute DROP", "T was left as it was, and T was not copied."},
    };
    for (const auto& c : cases) {
        FakeDatabase fresh;
        fresh.results["SELECT * FROM [T]"] = Rows(3);
        fresh.results["SELECT * FROM \"T\""] = Rows(3);
        fresh.failOn(c.failing, "Table T already exists", 1);
        FakeToolkit boxes;
        RecordingObserver seen(boxes, "at ");
        FakeTableList targetTables(c.listed ? std::vector<std::string>{"T"} : std::vector<std::string>{});
        CopyThroughEngine(fresh, logins, {.toFirebird = c.toFirebird}, targetTables, {"T"}, seen);
        const auto reports = boxes.boxes.size() - (c.listed ? 1 : 0);  // after the overwrite question
        ASSERT_EQ(reports, 1u) << c.failing;
        EXPECT_NE(boxes.boxes.back().text.find("Table T already exists\n" + std::string(c.sentence)), std::string::npos)
            << boxes.boxes.back().text;
        EXPECT_TRUE(fresh.calls("execute INSERT").empty()) << c.failing;
        if (c.listed) {
            EXPECT_TRUE(fresh.calls("execute CREATE").empty()) << c.failing;
        }
        ASSERT_EQ(seen.outcomes.size(), 1u);
        EXPECT_EQ(seen.outcomes[0].ending, TableOutcome::kNotCopied) << c.failing;
        EXPECT_EQ(targetTables.items(), c.listed ? std::vector<std::string>{"T"} : std::vector<std::string>{});
    }
}

// Each failure says what it did to the copy, so that an observer never tells a refused row from a
// lost link by the words.
TEST_F(TransferEndings, EachFailureSaysWhatItDidToTheCopy) {
    DatabaseError::Details tableGone;
    tableGone.endsTable = true;
    const struct {
        const char* failing;
        std::function<void(FakeDatabase&, const char*)> fail;
        FailureKind kind;
        bool endsTable;
    } cases[] = {
        {"execute INSERT INTO \"T\" VALUES(2)", [](FakeDatabase& d, const char* f) { d.failOn(f, "value out of range"); },
         FailureKind::kRowRefused, false},
        {"execute CREATE TABLE", [](FakeDatabase& d, const char* f) { d.failOn(f, "no room"); },
         FailureKind::kTableRefused, true},
        {"execute CREATE TABLE", [](FakeDatabase& d, const char* f) { d.failOn(f, "[08S01] link failure", -1, true); },
         FailureKind::kConnectionLost, true},
        {"execute INSERT INTO \"T\" VALUES(2)",
         [](FakeDatabase& d, const char* f) { d.failOn(f, "[08S01] link failure", -1, true); },
         FailureKind::kConnectionLost, true},
        {"execute INSERT INTO \"T\" VALUES(2)", [&](FakeDatabase& d, const char* f) { d.failOn(f, "table unknown", tableGone); },
         FailureKind::kTableEnded, true},
    };
    for (const auto& c : cases) {
        FakeDatabase fresh;
        fresh.results["SELECT * FROM [T]"] = Rows(3);
        c.fail(fresh, c.failing);
        FakeToolkit boxes;
        RecordingObserver seen(boxes, "at ");
        FakeTableList targetTables;
        CopyThroughEngine(fresh, logins, {.toFirebird = true}, targetTables, {"T"}, seen);
        ASSERT_FALSE(seen.failures.empty()) << c.failing;
        EXPECT_EQ(seen.failures[0].kind, c.kind) << c.failing << ": " << seen.failures[0].words;
        EXPECT_EQ(seen.failures[0].endsTable, c.endsTable) << c.failing;
        EXPECT_EQ(seen.failures[0].side, FailureSide::kTarget) << c.failing;
        EXPECT_EQ(seen.failures[0].words.find("\n"), std::string::npos) << "the driver's words alone: "
                                                                      << seen.failures[0].words;
    }
}

// A connection lost before any row (opening the source, or with the DROP under way) ends the copy
// as lost, so that the run connects again and copies the table again from its start; a DROP cut
// short never claims the old table was left as it was.
TEST_F(TransferEndings, AConnectionLostBeforeAnyRowIsALostConnection) {
    const struct {
        const char* failing;
        const char* says;
    } cases[] = {
        {"query SELECT * FROM [B]", "[08S01] link failure"},
        {"execute DROP TABLE \"B\"", "Whether B was dropped is not known: the connection went with the DROP under way. "
                                   "B was not copied."},
    };
    for (const auto& c : cases) {
        FakeDatabase fresh;
        fresh.results["SELECT * FROM [B]"] = Rows(3);
        fresh.results["SELECT * FROM [A]"] = Rows(2);
        fresh.failOn(c.failing, "[08S01] link failure", 1, true);
        FakeToolkit boxes;
        RecordingObserver seen(boxes, "at ");
        FakeTableList targetTables({"B"});
        const auto result = CopyThroughEngine(fresh, logins, {.toFirebird = true, .overwrite = OverwritePolicy::kYes},
                                              targetTables, {"B", "A"}, seen);
        ASSERT_EQ(seen.failures.size(), 1u) << c.failing;
        EXPECT_EQ(seen.failures[0].kind, FailureKind::kConnectionLost) << c.failing;
        EXPECT_NE(FailureText(seen.failures[0]).find(c.says), std::string::npos) << FailureText(seen.failures[0]);
        EXPECT_EQ(FailureText(seen.failures[0]).find("left as it was"), std::string::npos);
        EXPECT_EQ(seen.copiedAgain, std::vector<size_t>{0}) << c.failing;
        ASSERT_EQ(seen.outcomes.size(), 2u) << c.failing;
        EXPECT_EQ(seen.outcomes[0].ending, TableOutcome::kComplete) << c.failing << ": copied again";
        EXPECT_EQ(seen.outcomes[0].copiedAgain, 1);
        EXPECT_EQ(seen.outcomes[0].rowsWritten, 3);
        EXPECT_EQ(fresh.calls("execute INSERT INTO \"B\"").size(), 3u) << "each row once: none before the cut";
        EXPECT_EQ(seen.outcomes[1].ending, TableOutcome::kComplete) << c.failing;
        EXPECT_EQ(result.end, TransferResult::End::kDone);
    }
}

// The table's cause is the failure that ended it, not a later one of what the loss costs (the
// source's close refused too). The link dies at the same row again in the copy made after it.
TEST_F(TransferEndings, TheCauseIsTheFailureThatEndedTheTable) {
    FakeDatabase fresh;
    fresh.results["SELECT * FROM [B]"] = Rows(5);
    fresh.failOn("execute INSERT INTO \"B\" VALUES(3)", "[08S01] link failure", -1, true);
    fresh.failOn("recordset close", "the statement is gone", -1);
    FakeToolkit boxes;
    RecordingObserver seen(boxes, "at ");
    FakeTableList targetTables;
    CopyThroughEngine(fresh, logins, {.toFirebird = true}, targetTables, {"B"}, seen);
    ASSERT_EQ(seen.outcomes.size(), 1u);
    ASSERT_TRUE(seen.outcomes[0].cause);
    EXPECT_EQ(seen.outcomes[0].cause->words, "[08S01] link failure");
    EXPECT_GE(seen.failures.size(), 2u) << "the close's failure is still told";
}

// What no one foresaw (here an observer that throws) ends the run, not the program: the caller
// gets the outcomes so far and the words, and the rows' transaction of the table under way is
// rolled back on the way out.
TEST_F(TransferEndings, AFailureNoOneForesawEndsTheRunNotTheProgram) {
    db.results["SELECT * FROM [B]"] = Rows(5);
    db.results["SELECT * FROM [A]"] = Rows(5);
    observer.onRow = [](long long done) {
        if (done == 2) throw std::runtime_error("the observer failed");
    };
    TransferResult result;
    EXPECT_NO_THROW(result = CopyThroughEngine(db, logins, {.toFirebird = true}, list2, {"B", "A"}, observer));
    EXPECT_EQ(result.end, TransferResult::End::kBroken);
    EXPECT_EQ(result.why, "the observer failed");
    EXPECT_TRUE(result.tables.empty()) << "B was under way";
    EXPECT_TRUE(db.calls("execute INSERT INTO \"A\"").empty()) << "A is not started";
    EXPECT_EQ(db.calls("rollback").size(), 1u) << "B's open transaction";
    EXPECT_TRUE(db.calls("commit").empty());
}

// A commit the lost link cut off may have reached the server or not: its rows are neither counted
// as standing nor as lost, but said to be of unknown fate; the rows committed before stand.
TEST_F(TransferEndings, ACommitInFlightWhenTheLinkDiesIsOfUnknownFate) {
    const struct {
        int rows;
        long long standing, unknown;
    } cases[] = {{3, 0, 3}, {10'005, 0, 10'000}};  // the table's one commit; the first batch's
    for (const auto& c : cases) {
        FakeDatabase fresh;
        fresh.results["SELECT * FROM [B]"] = Rows(c.rows);
        fresh.failOn("commit", "[08S01] Communication link failure", -1, true);  // in the copy made again too
        FakeToolkit boxes;
        RecordingObserver seen(boxes, "at ");
        FakeTableList targetTables;
        CopyThroughEngine(fresh, logins, {.toFirebird = true}, targetTables, {"B"}, seen);
        ASSERT_EQ(seen.outcomes.size(), 1u);
        EXPECT_EQ(seen.outcomes[0].ending, TableOutcome::kConnectionLost) << c.rows;
        EXPECT_EQ(seen.outcomes[0].rowsWritten, c.standing) << c.rows;
        EXPECT_EQ(seen.outcomes[0].rowsFateUnknown, c.unknown) << c.rows;
        ASSERT_TRUE(seen.outcomes[0].cause);
        EXPECT_NE(FailureText(*seen.outcomes[0].cause)
                      .find("0 rows of it stand in the target, and whether the " + std::to_string(c.unknown) +
                            " rows whose commit was under way stand too is not known."),
                  std::string::npos)
            << FailureText(*seen.outcomes[0].cause);
    }
}

// A scheduled copy answers the overwrite question beforehand: nobody is asked, and the observer is
// told the answer.
TEST_F(TransferEndings, AnOverwriteAnsweredBeforehandAsksNobody) {
    for (const auto policy : {OverwritePolicy::kYes, OverwritePolicy::kNo}) {
        FakeDatabase fresh;
        fresh.results["SELECT * FROM [T]"] = Rows(2);
        FakeToolkit boxes;
        RecordingObserver seen(boxes, "at ");
        FakeTableList targetTables({"T"});
        CopyThroughEngine(fresh, logins, {.toFirebird = true, .overwrite = policy}, targetTables, {"T"}, seen);
        const bool yes = policy == OverwritePolicy::kYes;
        EXPECT_TRUE(boxes.boxes.empty()) << "no question";
        EXPECT_EQ(seen.answeredBeforehand, std::vector<std::string>{yes ? "T: yes" : "T: no"});
        EXPECT_EQ(fresh.calls("execute DROP").size(), yes ? 1u : 0u);
        ASSERT_EQ(seen.outcomes.size(), 1u);
        EXPECT_EQ(seen.outcomes[0].ending, yes ? TableOutcome::kComplete : TableOutcome::kSkipped);
    }
}

// Failures that every further row would meet end the table with one report, the rows before them
// committed; the next table is still tried. What no code foresees is caught by its repetition.
TEST_F(TransferEndings, AFailureThatEveryRowWouldMeetEndsTheTableOnce) {
    DatabaseError::Details tableGone;
    tableGone.endsTable = true;
    const int limit = TableEnding::kSameFailureLimit;
    const std::string standing = "The copy of B ended here; 2 rows of it stand in the target.";
    const struct {
        const char* what;
        DatabaseError::Details details;
        int failFrom;        // the first row that fails
        size_t reports;      // of table B
        long long written;   // of B, committed
        bool numbered;       // the words end in a number that changes from row to row
        bool dropped;        // the table was dropped under the copy, in words no code classifies
        std::string ending;  // of the last report
    } cases[] = {
        {"Table unknown B", tableGone, 3, 1, 2, false, false, standing},
        {"attempt to write a readonly database", {}, 3, static_cast<size_t>(limit), 2, false, false, standing},
        {"expected length 3, actual ", {}, 3, static_cast<size_t>(limit), 2, true, false, standing},
        {"no such table: B", {}, 3, 1, 2, false, true,
         "The copy of B ended here: the table is no longer in the target."},
    };
    for (const auto& c : cases) {
        FakeDatabase fresh;
        fresh.results["SELECT * FROM [B]"] = Rows(c.failFrom - 1 + limit + 50);
        fresh.results["SELECT * FROM [A]"] = Rows(2);
        for (int row = c.failFrom; row <= c.failFrom + limit + 50; ++row)
            fresh.failOn("execute INSERT INTO \"B\" VALUES(" + std::to_string(row) + ")",
                         c.what + (c.numbered ? std::to_string(4 + row % 2) : ""), c.details, 1);
        FakeToolkit boxes;
        RecordingObserver seen(boxes, "at ");
        seen.onRow = [&](long long done) {
            if (c.dropped && done == c.failFrom - 1) fresh.forget("B");
        };
        FakeTableList firebirdTables;
        CopyThroughEngine(fresh, logins, {.toFirebird = true}, firebirdTables, {"B", "A"}, seen);
        ASSERT_EQ(boxes.boxes.size(), c.reports) << c.what;
        EXPECT_NE(boxes.boxes.back().text.find(c.ending), std::string::npos) << boxes.boxes.back().text;
        EXPECT_EQ(fresh.calls("execute INSERT INTO \"B\"").size(), c.failFrom - 1 + c.reports) << c.what;
        ASSERT_EQ(seen.outcomes.size(), 2u);
        EXPECT_EQ(seen.outcomes[0].ending, TableOutcome::kEnded) << c.what;
        EXPECT_EQ(seen.outcomes[0].rowsWritten, c.written) << c.what;
        ASSERT_TRUE(seen.outcomes[0].cause) << c.what;
        EXPECT_EQ(seen.outcomes[0].cause->words.rfind(c.what, 0), 0u) << "the summary's cause: "
                                                                        << seen.outcomes[0].cause->words;
        EXPECT_EQ(seen.outcomes[1].ending, TableOutcome::kComplete) << "the next table is tried";
        EXPECT_FALSE(seen.outcomes[1].cause);
        EXPECT_EQ(fresh.calls("commit").size(), 2u) << "B's rows before the failure, then A's";
    }
}

// The source lost mid-copy ends its table with one report; the rows already written are committed
// (the target is well) and counted, and the table is not called complete.
TEST_F(TransferEndings, ALostSourceStillCommitsWhatWasWritten) {
    db.results["SELECT * FROM [B]"] = Rows(5);
    db.results["SELECT * FROM [A]"] = Rows(2);
    db.failOn("movenext", "[08S01] Communication link failure", 1, true);
    send({.toFirebird = true}, {"B", "A"});
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("[08S01] Communication link failure\nThe copy of B ended here; 1 rows of it "
                                    "stand in the target."),
              std::string::npos)
        << ui.boxes[0].text;
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kComplete) << "copied again once connected again";
    EXPECT_EQ(outcomes[0].rowsWritten, 5);
    EXPECT_EQ(db.calls("commit").size(), 3u) << "B's row, B again whole, then A's";
    EXPECT_EQ(outcomes[1].ending, TableOutcome::kComplete);
}

// A source that fails to give its next row for any other cause ends the table too, with one report
// of how far it got: never "complete" with rows left unread.
TEST_F(TransferEndings, ASourceThatStopsGivingRowsEndsItsTable) {
    for (const char* call : {"movenext"}) {
        FakeDatabase fresh;
        fresh.catalogue = db.catalogue;
        fresh.results["SELECT * FROM [B]"] = Rows(5);
        fresh.failOn(call, "disk read error", 1);
        FakeToolkit seenUi;
        RecordingObserver seen(seenUi, "");
        FakeTableList firebirdTables;
        CopyThroughEngine(fresh, logins, {.toFirebird = true}, firebirdTables, {"B"}, seen);
        ASSERT_EQ(seenUi.boxes.size(), 1u) << call;
        EXPECT_NE(seenUi.boxes[0].text.find("disk read error\nThe copy of B ended here;"), std::string::npos)
            << seenUi.boxes[0].text;
        ASSERT_EQ(seen.outcomes.size(), 1u);
        EXPECT_EQ(seen.outcomes[0].ending, TableOutcome::kEnded) << call;
        EXPECT_EQ(seen.outcomes[0].rowsWritten, seen.outcomes[0].rowsRead) << "the rows read are written";
        EXPECT_LT(seen.outcomes[0].rowsRead, 5) << call;
    }
}

// A call that never returns, with no stop to end it: the stall time-out cancels it, and the table
// ends with one report that says so; the next table is still tried.
TEST_F(TransferEndings, TheStallTimeOutCancelsACallThatNeverReturns) {
    db.results["SELECT * FROM [B]"] = Rows(5);
    db.results["SELECT * FROM [A]"] = Rows(2);
    db.blockOn("execute INSERT INTO \"B\" VALUES(3)");
    send({.toFirebird = true, .limits = CopyWatchdog::Limits{std::chrono::milliseconds(50), std::chrono::seconds(30)}},
         {"B", "A"});
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find("Operation cancelled\nNothing came through for the stall time-out, so the copy "
                                    "stopped waiting.\nThe copy of B ended here; 2 rows of it stand in the target."),
              std::string::npos)
        << ui.boxes[0].text;
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kEnded);
    EXPECT_EQ(outcomes[1].ending, TableOutcome::kComplete);
}

// One watching thread serves every table of a run: the second table's stall is watched afresh.
TEST_F(TransferEndings, EachTableHasItsOwnStallTimeOut) {
    db.results["SELECT * FROM [B]"] = Rows(5);
    db.results["SELECT * FROM [A]"] = Rows(5);
    db.blockOn("execute INSERT INTO \"B\" VALUES(3)");
    db.blockOn("execute INSERT INTO \"A\" VALUES(4)");
    send({.toFirebird = true, .limits = CopyWatchdog::Limits{std::chrono::milliseconds(50), std::chrono::seconds(30)}},
         {"B", "A"});
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_NE(ui.boxes[1].text.find("The copy of A ended here; 3 rows of it stand in the target."), std::string::npos)
        << ui.boxes[1].text;
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kEnded);
    EXPECT_EQ(outcomes[1].ending, TableOutcome::kEnded);
}

TEST_F(TransferEndings, EachFailureIsReportedAtItsStep) {
    const struct {
        bool toFirebird;
        const char* failing;
        int step;
    } cases[] = {
        {true, "query SELECT * FROM [T]", 152},     {true, "execute CREATE TABLE", 228},
        {true, "begin", 238},                       {true, "execute INSERT", 318},
        {true, "commit", 322},                      {true, "execute DROP", 148},
        {false, "query SELECT * FROM \"T\"", 150},  {false, "execute CREATE TABLE", 210},
        {false, "execute INSERT", 250},             {false, "execute DROP", 146},
    };
    for (const auto& c : cases) {
        FakeDatabase fresh;
        fresh.results["SELECT * FROM [T]"] = Rows(1);
        fresh.results["SELECT * FROM \"T\""] = Rows(1);
        fresh.failOn(c.failing, "refused", 1);
        FakeToolkit boxes;
        RecordingObserver seen(boxes, "at ");
        FakeTableList targetTables({"T"});
        CopyThroughEngine(fresh, logins, {.toFirebird = c.toFirebird}, targetTables, {"T"}, seen);
        ASSERT_EQ(boxes.boxes.size(), 2u) << c.failing << ": the overwrite question, then one report";
        const std::string& report = boxes.boxes[1].text;
        EXPECT_EQ(report.rfind("refused", 0), 0u) << c.failing << ": " << report;
        EXPECT_NE(report.find("\r\nat at line " + std::to_string(c.step) + "\r"), std::string::npos)
            << c.failing << ": " << report;
    }
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A source that stops answering is the one the stall cancels: the target, waiting on nothing,
// keeps its call, so that no healthy row there is refused as interrupted.
TEST_F(TransferEndings, TheStallCancelsOnlyTheEndThatStalled) {
    db.results["SELECT * FROM [B]"] = Rows(5);
    db.blockOn("movenext");  // the source, read on its own thread
    send({.toFirebird = true, .limits = CopyWatchdog::Limits{std::chrono::milliseconds(50), std::chrono::seconds(30)}},
         {"B"});
    ASSERT_FALSE(db.cancelled.empty());
    for (const auto& connection : db.cancelled)
        EXPECT_EQ(connection.find("Firebird"), std::string::npos) << "the target was waiting on nothing: " << connection;
    ASSERT_EQ(outcomes.size(), 1u);
    ASSERT_TRUE(outcomes[0].cause);
    EXPECT_EQ(outcomes[0].cause->kind, FailureKind::kStalled) << outcomes[0].cause->words;
    EXPECT_NE(FailureText(*outcomes[0].cause).find("Nothing came through for the stall time-out"), std::string::npos);
}

// A stall while an array of rows (into SQL Server) or a block (into Firebird) is being written
// cancels only the target: the source, read ahead on its own thread, is healthy.
TEST_F(TransferEndings, AStallInABulkWriteCancelsOnlyTheTarget) {
    for (const bool toFirebird : {false, true}) {
        SCOPED_TRACE(toFirebird ? "a block into Firebird" : "an array into SQL Server");
        FakeDatabase fresh;
        fresh.results[toFirebird ? "SELECT * FROM [B]" : "SELECT * FROM \"B\""] = Rows(5);
        fresh.blockOn(toFirebird ? "run EXECUTE BLOCK" : "run INSERT INTO [B]");
        FakeToolkit boxes;
        RecordingObserver seen(boxes, "at ");
        FakeTableList targetTables;
        CopyThroughEngine(fresh, logins,
                          {.toFirebird = toFirebird, .bulk = true,
                           .limits = CopyWatchdog::Limits{std::chrono::milliseconds(50), std::chrono::seconds(30)},
                           .blockRows = 5},
                          targetTables, {"B"}, seen);
        ASSERT_FALSE(fresh.cancelled.empty());
        for (const auto& connection : fresh.cancelled)
            EXPECT_EQ(connection.find(toFirebird ? "Driver={SQL Server}" : "Firebird"), std::string::npos)
                << "the source was waiting on nothing: " << connection;
        ASSERT_EQ(seen.outcomes.size(), 1u);
        ASSERT_TRUE(seen.outcomes[0].cause);
        EXPECT_EQ(seen.outcomes[0].cause->kind, FailureKind::kStalled) << seen.outcomes[0].cause->words;
    }
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A stall time-out of zero waits without end: it never cancels, while one of a few milliseconds,
// started after it, has long done so.
TEST(CopyWatchdogLimits, ZeroWaitsWithoutEnd) {
    std::atomic<int> unlimited{0}, limited{0};
    std::mutex m;
    std::condition_variable fired;
    CopyWatchdog never({std::chrono::seconds(0), std::chrono::seconds(30)}, [&] { ++unlimited; }, [] {});
    CopyWatchdog soon({std::chrono::milliseconds(20), std::chrono::seconds(30)},
                      [&] {
                          std::lock_guard lock(m);
                          ++limited;
                          fired.notify_all();
                      },
                      [] {});
    std::unique_lock lock(m);
    ASSERT_TRUE(fired.wait_for(lock, std::chrono::minutes(1), [&] { return limited > 0; }));
    EXPECT_EQ(unlimited, 0);
    EXPECT_FALSE(never.stalled());
}

// A stop the copy hears is left to it: nothing is cancelled. One it does not hear (a call blocked
// in its driver) has the calls cancelled after the stop's patience, which is no stall. The heard
// one was asked first, with the same patience, so it would have fired first.
TEST(CopyWatchdogLimits, AStopIsCancelledOnlyWhenTheCopyDoesNotHearIt) {
    const CopyWatchdog::Limits limits{std::chrono::seconds(0), std::chrono::seconds(30), std::chrono::milliseconds(20)};
    std::atomic<int> heardCancels{0}, unheardCancels{0};
    std::mutex m;
    std::condition_variable fired;
    CopyWatchdog heard(limits, [&] { ++heardCancels; }, [] {});
    heard.stopAsked();
    heard.stopHeard();
    CopyWatchdog unheard(limits,
                         [&] {
                             std::lock_guard lock(m);
                             ++unheardCancels;
                             fired.notify_all();
                         },
                         [] {});
    unheard.stopAsked();
    std::unique_lock lock(m);
    ASSERT_TRUE(fired.wait_for(lock, std::chrono::minutes(1), [&] { return unheardCancels > 0; }));
    EXPECT_EQ(heardCancels, 0);
    EXPECT_FALSE(unheard.stalled());
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A transaction left without a commit is rolled back, however its scope is left; a rollback that
// fails then is told, not swallowed; a committed or abandoned one is left alone.
TEST(Transaction, RolledBackUnlessCommittedAndAFailedRollbackTold) {
    const struct {
        const char* name;
        std::function<void(Transaction&)> use;
        bool rollbackFails;
        std::vector<std::string> calls;
        std::string told;
    } cases[] = {
        {"left", [](Transaction&) {}, false, {"begin", "rollback"}, ""},
        {"left by an exception", [](Transaction&) { throw std::runtime_error("cut short"); }, false,
         {"begin", "rollback"}, ""},
        {"committed", [](Transaction& t) { t.commit(); }, false, {"begin", "commit"}, ""},
        {"abandoned", [](Transaction& t) { t.abandon(); }, true, {"begin"}, ""},
        {"left, and the rollback fails", [](Transaction&) {}, true, {"begin", "rollback"}, "disk gone"},
    };
    for (const auto& c : cases) {
        FakeDatabase db;
        auto connection = db.createConnection();
        connection->open("Driver=fake");
        if (c.rollbackFails) db.failOn("rollback", "disk gone");
        std::string told;
        try {
            Transaction t(*connection, [&](const DatabaseError& e) { told = e.what(); });
            c.use(t);
        } catch (const std::runtime_error&) {
        }
        std::vector<std::string> calls;
        for (const auto& line : db.log)
            if (line == "begin" || line == "commit" || line == "rollback") calls.push_back(line);
        EXPECT_EQ(calls, c.calls) << c.name;
        EXPECT_EQ(told, c.told) << c.name;
    }
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A block the target will not prepare: the rows go one at a time, every one arrives, and the
// observer hears it once for the table, not as a failure, so the table stays complete.
TEST_F(TransferEndings, ABlockTheTargetWillNotPrepareIsToldOnce) {
    db.results["SELECT * FROM [A]"] = Rows(10);
    db.failOn("prepare EXECUTE BLOCK", "Dynamic SQL Error\n-request size limit exceeded");
    send({.toFirebird = true, .bulk = true, .blockRows = 4}, {"A"});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kComplete);
    EXPECT_EQ(outcomes[0].rowsWritten, 10);
    EXPECT_EQ(observer.blockRefusals,
              std::vector<std::string>{"A: 4: Dynamic SQL Error\n-request size limit exceeded"});
    EXPECT_TRUE(observer.failures.empty());
    EXPECT_TRUE(ui.boxes.empty());
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A table whose reader stays in a driver that ignores the cancel leaves that reader its connection:
// the next table is read over a connection made afresh, not one a fetch is still under way on.
TEST_F(TransferEndings, AReaderLeftInTheDriverLeavesTheNextTableAFreshConnection) {
    DatabaseError::Details tableGone;
    tableGone.endsTable = true;
    FakeResult b = Rows(600);
    b.recordCount = -1;  // not known: B is read ahead on a thread of its own
    db.results["SELECT * FROM [B]"] = b;
    db.results["SELECT * FROM [A]"] = Rows(2);
    std::atomic<int> moves{0};
    db.onCall = [&](const std::string& line) {
        if (line == "movenext" && ++moves == 300) db.holdOn("movenext");  // B's reader, past its first batch
        if (line == "execute INSERT INTO \"B\" VALUES(1)") {
            ASSERT_TRUE(db.waitUntilHeld());  // then B ends
        }
    };
    db.failOn("execute INSERT INTO \"B\" VALUES(1)", "Table unknown B", tableGone, 1);
    toFirebird({"B", "A"});
    ASSERT_TRUE(db.release()) << "B's reader never went into the driver";
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kEnded);
    EXPECT_EQ(outcomes[1].ending, TableOutcome::kComplete);
    const auto at = [&](const std::string& prefix, size_t from = 0) {
        for (size_t i = from; i < db.log.size(); ++i)
            if (db.log[i].rfind(prefix, 0) == 0) return i;
        return db.log.size();
    };
    const size_t bRead = at("query SELECT * FROM [B]");
    const size_t reopened = at("open Driver={SQL Server}", bRead);
    EXPECT_LT(reopened, at("query SELECT * FROM [A]")) << "A was read over the connection B's reader kept";
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A stop while a block (into Firebird) or an array (into SQL Server) is under way cancels it: its
// rows are not written, and the outcome counts them so. The rows of the block before it stand; the
// array holds all twelve rows here, and none stands.
TEST_F(TransferEndings, AStopInTheMiddleOfABatchLeavesItsRowsCountedAsNotWritten) {
    for (const bool toFirebird : {true, false}) {
        SCOPED_TRACE(toFirebird ? "a block into Firebird" : "an array into SQL Server");
        FakeDatabase fresh;
        fresh.results[toFirebird ? "SELECT * FROM [B]" : "SELECT * FROM \"B\""] = Rows(12);
        fresh.onCall = [&fresh](const std::string& line) {  // the batch that begins with row 6
            if (line.rfind("run ", 0) == 0 && line.find(" with 6") != std::string::npos) fresh.blockOn(line);
        };
        FakeToolkit boxes;
        RecordingObserver seen(boxes, "at ");
        std::thread stopper([&] {
            if (fresh.waitUntilBlocked()) seen.stop.request(15);
        });
        FakeTableList targetTables;
        CopyThroughEngine(fresh, logins, {.toFirebird = toFirebird, .bulk = true, .blockRows = 5}, targetTables, {"B"},
                          seen);
        stopper.join();
        ASSERT_EQ(seen.outcomes.size(), 1u);
        const TableOutcome& o = seen.outcomes[0];
        EXPECT_EQ(o.ending, TableOutcome::kStopped);
        EXPECT_EQ(o.rowsWritten, toFirebird ? 5 : 0);
        EXPECT_EQ(o.rowsRead, toFirebird ? 10 : 12);
        EXPECT_EQ(RowsNotWritten(o), toFirebird ? 5 : 12);
        EXPECT_EQ(fresh.calls("run ").size(), toFirebird ? 2u : 6u) << "nothing is written after the stop";
    }
}

}  // namespace
}  // namespace tess
