// How a transfer ends: completely, on a stop request, or when the target can take no more; and
// what each table's outcome says about it.
#include <gtest/gtest.h>

#include "common/operation_guard.h"
#include "common/stop_request.h"
#include "fakes/fake_database.h"
#include "fakes/fake_toolkit.h"
#include "fakes/fixed_logins.h"
#include "transfer/send_to_firebird.h"
#include "transfer/send_to_sqlserver.h"
#include "transfer/table_outcome.h"

namespace tess {
namespace {

FakeResult Rows(int count) {
    FakeResult r;
    r.fields = {{"ID", 3, 4, 10, 0}};
    for (int i = 1; i <= count; ++i) r.rows.push_back({std::int64_t{i}});
    return r;
}

class TransferEndings : public testing::Test {
protected:
    void selectAll(FakeTableList& list) {
        for (int i = 0; i < list.listCount(); ++i) list.setSelected(i, true);
        list.setListIndex(0);
    }
    TablesWindowControls controls() {
        TablesWindowControls c{list1, list2, progress, window, {}};
        c.stop = &stop;
        c.tableDone = [this](const TableOutcome& o) { outcomes.push_back(o); };
        c.rowsSent = [this](const std::string&, long long done, long long) {
            if (done == stopAfter) stop.request(15);
        };
        return c;
    }

    FakeDatabase db;
    FakeToolkit ui;
    FixedLogins logins;
    FakeTableList list1, list2;
    FakeProgressBar progress;
    FakeWindow window;
    OperationGuard guard;
    StopRequest stop;
    long long stopAfter = -1;
    std::vector<TableOutcome> outcomes;
};

// SQL Server link lost at a row: one report for the table, saying how far it got; the next table
// is still attempted.
TEST_F(TransferEndings, ALostConnectionEndsTheTableWithOneReport) {
    list2 = FakeTableList({"A", "B"});
    db.results["SELECT * FROM \"B\""] = Rows(5);
    db.results["SELECT * FROM \"A\""] = Rows(2);
    db.failOn("execute INSERT INTO [B] VALUES('3')", "[08S01] Communication link failure", -1, true);
    selectAll(list2);
    SendToSqlServer(db, ui, logins, controls(), guard).PushButton4_Click();
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
    list1 = FakeTableList({"B", "C"});
    db.results["SELECT * FROM [B]"] = Rows(5);
    db.results["SELECT * FROM [C]"] = Rows(1);
    db.failOn("execute INSERT INTO \"B\" VALUES(4)", "I/O error during \"write\" operation\n-No space left on device",
              -1, true);
    db.failOn("execute CREATE TABLE \"C\"", "I/O error during \"write\" operation", -1, true);
    selectAll(list1);
    SendToFirebird(db, ui, logins, controls(), guard).PushButton3_Click();
    ASSERT_EQ(ui.boxes.size(), 2u) << "one for each table";
    EXPECT_NE(ui.boxes[0].text.find("The copy of C"), std::string::npos) << "C is last in the list, sent first";
    EXPECT_NE(ui.boxes[1].text.find("0 rows of it stand in the target"), std::string::npos) << ui.boxes[1].text;
    EXPECT_EQ(db.calls("execute INSERT INTO \"C\"").size(), 0u) << "no row is tried once the CREATE found no room";
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[1].ending, TableOutcome::kConnectionLost);
    EXPECT_EQ(outcomes[1].rowsWritten, 0);
}

// A stop request (a signal, a closed window) commits the rows written and ends the run.
TEST_F(TransferEndings, AStopCommitsWhatWasWrittenAndEnds) {
    list1 = FakeTableList({"A", "B"});
    db.results["SELECT * FROM [B]"] = Rows(10);
    db.results["SELECT * FROM [A]"] = Rows(10);
    selectAll(list1);
    stopAfter = 4;
    SendToFirebird(db, ui, logins, controls(), guard).PushButton3_Click();
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(db.calls("execute INSERT").size(), 4u);
    EXPECT_EQ(db.calls("commit").size(), 1u);
    ASSERT_EQ(outcomes.size(), 1u) << "A is not started";
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kStopped);
    EXPECT_EQ(outcomes[0].rowsWritten, 4);
    EXPECT_EQ(db.calls("close").size(), 2u) << "both connections closed";
}

TEST_F(TransferEndings, RefusedRowsAndSkippedTablesAreCounted) {
    list1 = FakeTableList({"A", "B"});
    list2 = FakeTableList({"A"});
    db.results["SELECT * FROM [B]"] = Rows(3);
    db.failOn("execute INSERT INTO \"B\" VALUES(2)", "numeric value is out of range");
    ui.answers = {kAnswerNo};
    selectAll(list1);
    SendToFirebird(db, ui, logins, controls(), guard).PushButton3_Click();
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
    list2 = FakeTableList({"A"});
    db.results["SELECT * FROM \"A\""] = Rows(1200);
    db.failOn("run INSERT INTO [A] VALUES(?) with 700", "[22018] Conversion failed", 2);
    selectAll(list2);
    TablesWindowControls c = controls();
    c.bulk = true;
    SendToSqlServer(db, ui, logins, c, guard).PushButton4_Click();
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

}  // namespace
}  // namespace tess
