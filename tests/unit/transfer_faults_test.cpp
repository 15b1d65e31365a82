// Faults planted in the engine that only these tests see: a reconnection that gives up after its
// first try, rows counted before their commit, held rows of a batch dropped when the source fails,
// and a person's slow answer taken for a stall.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "fakes/engine_copy.h"
#include "fakes/fake_database.h"
#include "fakes/fake_toolkit.h"
#include "fakes/fixed_logins.h"
#include "transfer/table_outcome.h"

namespace tess {
namespace {

FakeResult Rows(int count) { return FakeDatabase::Numbered(count); }

struct Copy {
    FakeDatabase db;
    FakeToolkit boxes;
    RecordingObserver seen{boxes, "at "};
    FakeTableList targetTables;
    FixedLogins logins;
    TransferResult run(EngineCopy how, const std::vector<std::string>& tables) {
        return CopyThroughEngine(db, logins, how, targetTables, tables, seen);
    }
};

// A server that refuses the first try to connect again and takes the second: the run goes on.
TEST(TransferFaults, AReconnectionTriesAgainAfterAFailedTry) {
    Copy c;
    c.db.results["SELECT * FROM [B]"] = Rows(5);
    c.db.results["SELECT * FROM [A]"] = Rows(2);
    c.db.onCall = [&c](const std::string& line) {
        if (line == "execute INSERT INTO \"B\" VALUES(3)") c.db.failOn("open Provider", "the server is starting", 1);
    };
    c.db.failOn("execute INSERT INTO \"B\" VALUES(3)", "[08S01] Communication link failure", 1, true);
    const TransferResult result = c.run({.toFirebird = true}, {"B", "A"});
    EXPECT_EQ(result.end, TransferResult::End::kDone) << result.why;
    ASSERT_EQ(c.seen.outcomes.size(), 2u);
    EXPECT_EQ(c.seen.outcomes[0].ending, TableOutcome::kComplete);
    EXPECT_EQ(c.seen.outcomes[0].copiedAgain, 1);
    EXPECT_EQ(c.seen.outcomes[1].ending, TableOutcome::kComplete);
}

// Rows count as written only once their commit came back: with the commit point (every 10,000
// rows into Firebird) and the last commit failing, nothing stands and nothing is counted.
TEST(TransferFaults, RowsAreCountedWrittenOnlyOnceCommitted) {
    Copy c;
    c.db.results["SELECT * FROM [B]"] = Rows(10005);
    c.db.failOn("commit", "I/O error during \"write\" operation");
    c.run({.toFirebird = true}, {"B"});
    ASSERT_EQ(c.seen.outcomes.size(), 1u);
    const TableOutcome& o = c.seen.outcomes[0];
    EXPECT_EQ(c.db.calls("commit").size(), 2u) << "the commit point, then the last";
    EXPECT_EQ(o.rowsWritten, 0) << "no commit came back: nothing stands";
    EXPECT_EQ(RowsNotWritten(o), 10005);
}

// The source lost while rows are held for a block or an array: the target is well, so the rows
// read before the loss are written and committed, then the table is copied again.
TEST(TransferFaults, HeldRowsOfABatchAreWrittenWhenTheSourceFails) {
    for (const bool toFirebird : {true, false}) {
        SCOPED_TRACE(toFirebird ? "blocks into Firebird" : "arrays into SQL Server");
        Copy c;
        c.db.results[toFirebird ? "SELECT * FROM [B]" : "SELECT * FROM \"B\""] = Rows(12);
        int moves = 0;
        c.db.onCall = [&](const std::string& line) {  // the source, past row 7, in the first copy
            if (line == "movenext" && ++moves == 7) c.db.failOn("movenext", "[08S01] link failure", 1, true);
        };
        c.run({.toFirebird = toFirebird, .bulk = true, .blockRows = 5}, {"B"});
        ASSERT_EQ(c.seen.failures.size(), 1u);
        EXPECT_EQ(c.seen.failures[0].rowsStanding, 7) << "rows 6 and 7 were held, and went in";
        ASSERT_EQ(c.seen.outcomes.size(), 1u);
        EXPECT_EQ(c.seen.outcomes[0].ending, TableOutcome::kComplete) << "copied again";
    }
}

// A person answering the overwrite question is no stall, however long they take: the question is
// answered after the stall time-out would have cancelled a call, and the table is copied whole.
TEST(TransferFaults, ASlowAnswerToTheOverwriteQuestionIsNoStall) {
    struct SlowAnswer : RecordingObserver {
        SlowAnswer(FakeToolkit& ui, FakeDatabase& database) : RecordingObserver(ui, "at "), db(database) {}
        bool overwrite(const std::string&) override {
            // Bounded: a cancel here would be the fault. 20 stall time-outs pass meanwhile.
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while (db.cancels == 0 && std::chrono::steady_clock::now() < until) {
                std::unique_lock lock(m);
                woken.wait_for(lock, std::chrono::milliseconds(10));
            }
            return true;
        }
        FakeDatabase& db;
        std::mutex m;
        std::condition_variable woken;
    };
    FakeDatabase db;
    db.results["SELECT * FROM [T]"] = Rows(3);
    FakeToolkit boxes;
    SlowAnswer seen(boxes, db);
    FakeTableList targetTables({"T"});
    FixedLogins logins;
    CopyThroughEngine(db, logins,
                      {.toFirebird = true,
                       .limits = CopyWatchdog::Limits{std::chrono::milliseconds(50), std::chrono::seconds(30)}},
                      targetTables, {"T"}, seen);
    EXPECT_EQ(db.cancels, 0);
    ASSERT_EQ(seen.outcomes.size(), 1u);
    EXPECT_EQ(seen.outcomes[0].ending, TableOutcome::kComplete);
    EXPECT_EQ(seen.outcomes[0].rowsWritten, 3);
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A link cut while the bulk INSERT is prepared is a lost connection like any other: said once, the
// table's cause, and the table copied again once the connection is back; cut again, it ends so.
TEST(TransferFaults, ALinkCutWhileTheBulkInsertIsPreparedIsALostConnection) {
    for (const int cuts : {1, -1}) {
        Copy c;
        c.db.results["SELECT * FROM [B]"] = Rows(3);
        c.db.failOn("prepare INSERT INTO \"B\"", "[08S01] Communication link failure", cuts, true);
        c.run({.toFirebird = true, .bulk = true}, {"B"});
        std::string calls;
        for (const auto& line : c.db.calls("prepare")) calls += line + "\n";
        ASSERT_EQ(c.seen.failures.size(), 1u) << cuts << "\n" << calls;
        EXPECT_EQ(c.seen.failures[0].kind, FailureKind::kConnectionLost) << cuts;
        ASSERT_EQ(c.seen.outcomes.size(), 1u) << cuts;
        const TableOutcome& o = c.seen.outcomes[0];
        EXPECT_EQ(o.ending, cuts == 1 ? TableOutcome::kComplete : TableOutcome::kConnectionLost) << cuts;
        EXPECT_EQ(o.rowsWritten, cuts == 1 ? 3 : 0) << cuts;
        if (cuts != 1) {
            ASSERT_TRUE(o.cause) << "the JSON's cause";
            EXPECT_EQ(o.cause->kind, FailureKind::kConnectionLost);
        }
    }
}

}  // namespace
}  // namespace tess
