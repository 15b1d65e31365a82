// Every way a Firebird call can fail leaves no transaction and, once the connection goes, no
// attachment behind. The engine's monitoring tables, read through a second attachment, show it.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "connect/connection_strings.h"
#include "platform/drivers/drivers_database.h"
#include "tds_listener.h"
#include "temp_folder.h"

namespace tess {
namespace {

class FirebirdReferences : public testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.file("refs.fdb");
        CreateFirebirdDatabase(path_);
        monitor_ = open();
        monitor_->execute("CREATE TABLE T (ID INTEGER NOT NULL, MEMO BLOB SUB_TYPE TEXT)");
    }
    std::unique_ptr<Connection> open() {
        auto c = db_.createConnection();
        c->open(FirebirdSettings({path_, "SYSDBA", "x"}));
        return c;
    }
    // Counted from the monitor's own attachment, which the counts leave out.
    long long others(const std::string& what) {
        const std::string from = what == "attachments"
                                     ? "MON$ATTACHMENTS A"
                                     : "MON$TRANSACTIONS X JOIN MON$ATTACHMENTS A ON A.MON$ATTACHMENT_ID = X.MON$ATTACHMENT_ID";
        auto rows = monitor_->openRecordset("SELECT COUNT(*) FROM " + from +
                                            " WHERE A.MON$ATTACHMENT_ID <> CURRENT_CONNECTION AND A.MON$SYSTEM_FLAG = 0");
        const auto count = std::get<std::int64_t>(rows->value(0));
        rows->close();
        return count;
    }

    // Statements of other attachments that are running (waiting for a lock among them).
    long long waiting() {
        auto rows = monitor_->openRecordset(
            "SELECT COUNT(*) FROM MON$STATEMENTS WHERE MON$STATE = 1 AND MON$ATTACHMENT_ID <> CURRENT_CONNECTION");
        const auto count = std::get<std::int64_t>(rows->value(0));
        rows->close();
        return count;
    }

    TempFolder folder_;
    std::string path_;
    DriversDatabase db_;
    std::unique_ptr<Connection> monitor_;
};

TEST_F(FirebirdReferences, AFailingStepLeavesNoTransactionOrAttachment) {
    const std::string longText(70000, 'x');
    const std::pair<const char*, std::function<void(Connection&)>> failures[] = {
        {"a query that does not prepare", [](Connection& c) { c.openRecordset("SELECT NOPE FROM T"); }},
        {"a query that fails at its first row",
         [](Connection& c) { c.openRecordset("SELECT 1 / 0 FROM RDB$DATABASE"); }},
        {"a query that fails at a later row",
         [](Connection& c) {
             auto rows = c.openRecordset(
                 "SELECT 1 / (2 - N) FROM (SELECT 1 AS N FROM RDB$DATABASE UNION ALL SELECT 2 FROM RDB$DATABASE)");
             rows->moveNext();
         }},
        {"a statement the table refuses", [](Connection& c) { c.execute("INSERT INTO T (ID) VALUES (NULL)"); }},
        {"a parameter statement refused after its blob was written",
         [&](Connection& c) { c.executeWith("INSERT INTO T VALUES (NULL, ?)", {longText}); }},
        {"markers that do not match the values", [](Connection& c) { c.executeWith("INSERT INTO T VALUES (1, ?)", {}); }},
        {"a failure inside an open transaction",
         [](Connection& c) {
             c.beginTransaction();
             c.execute("INSERT INTO T (ID) VALUES (1)");
             c.execute("INSERT INTO T (ID) VALUES (NULL)");
         }},
    };
    for (const auto& [what, fail] : failures) {
        auto connection = open();
        EXPECT_THROW(fail(*connection), DatabaseError) << what;
        if (std::string(what) != "a failure inside an open transaction") {
            EXPECT_EQ(others("transactions"), 0) << what;
        }
        connection.reset();  // gone without a close, as when a handler is left by a failure
        EXPECT_EQ(others("attachments"), 0) << what;
        EXPECT_EQ(others("transactions"), 0) << what;
    }
    auto rows = monitor_->openRecordset("SELECT COUNT(*) FROM T");
    EXPECT_EQ(std::get<std::int64_t>(rows->value(0)), 0) << "the open transaction was rolled back";
}

// A statement waiting for another transaction's row lock gives up when cancelled from another
// thread; a cancel with nothing under way is no cancel at all, so the next call (a stop's commit)
// goes through.
TEST_F(FirebirdReferences, ACancelEndsALockWaitAndNothingElse) {
    monitor_->execute("INSERT INTO T (ID) VALUES (1)");
    auto holder = open();
    holder->beginTransaction();
    holder->execute("UPDATE T SET ID = 2");
    auto waiter = open();
    waiter->beginTransaction();
    waiter->cancel();  // idle: must not fail what comes next
    EXPECT_NO_THROW(waiter->execute("INSERT INTO T (ID) VALUES (3)"));
    auto blocked = std::async(std::launch::async, [&] {
        try {
            waiter->execute("UPDATE T SET ID = 4 WHERE ID = 1");
            ADD_FAILURE() << "the update was not cancelled";
        } catch (const DatabaseError& e) {
            EXPECT_TRUE(e.cancelled()) << e.what();
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waiting() == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    EXPECT_EQ(waiting(), 1) << "the update is waiting for the lock";
    waiter->cancel();
    // Bounded only so that a cancel that does not work fails the test instead of hanging it.
    EXPECT_EQ(blocked.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    holder->rollbackTransaction();
    blocked.get();
    EXPECT_NO_THROW(waiter->commitTransaction()) << "the cancel left nothing pending";
    auto rows = monitor_->openRecordset("SELECT COUNT(*) FROM T WHERE ID = 3");
    EXPECT_EQ(std::get<std::int64_t>(rows->value(0)), 1) << "what the transaction wrote before the wait stands";
}

// What a failure says of itself comes from the status vector: a row's own value, or the table that
// no further row gets into.
// A wait for another transaction's lock ends with the command time-out, as a failure that ends
// the table (Firebird says "update conflicts with concurrent update" once it stops waiting).
TEST_F(FirebirdReferences, ALockWaitEndsWithTheCommandTimeout) {
    monitor_->execute("INSERT INTO T (ID) VALUES (1)");
    auto holder = open();
    holder->beginTransaction();
    holder->execute("UPDATE T SET ID = 2");
    auto waiter = open();
    waiter->setCommandTimeout(1);
    for (const bool inTransaction : {false, true}) {
        if (inTransaction) waiter->beginTransaction();
        try {
            waiter->execute("UPDATE T SET ID = 3");
            ADD_FAILURE() << "the update did not wait";
        } catch (const DatabaseError& e) {
            EXPECT_TRUE(e.endsTable()) << e.what();
        }
    }
    waiter->rollbackTransaction();
    holder->rollbackTransaction();
}

TEST_F(FirebirdReferences, FailuresSayWhetherTheyEndTheTable) {
    auto owner = open();
    auto stranger = db_.createConnection();
    stranger->open(FirebirdSettings({path_, "ANNA", ""}));  // the embedded engine trusts the name
    const struct {
        Connection& by;
        const char* sql;
        bool endsTable;
    } cases[] = {
        {*owner, "INSERT INTO T (ID) VALUES (NULL)", false},
        {*owner, "INSERT INTO T (ID) VALUES ('abc')", false},
        {*owner, "INSERT INTO NOPE VALUES (1)", true},
        {*stranger, "INSERT INTO T (ID) VALUES (1)", true},  // no right to write T
    };
    for (const auto& k : cases) {
        try {
            k.by.execute(k.sql);
            ADD_FAILURE() << k.sql << " did not fail";
        } catch (const DatabaseError& e) {
            EXPECT_EQ(e.endsTable(), k.endsTable) << k.sql << ": " << e.what();
        }
    }
}

TEST_F(FirebirdReferences, ARecordsetOutlivingItsConnectionEndsTheAttachmentLast) {
    auto connection = open();
    auto rows = connection->openRecordset("SELECT ID FROM T");
    connection->close();
    EXPECT_EQ(others("attachments"), 1);
    rows.reset();
    EXPECT_EQ(others("attachments"), 0);
    EXPECT_EQ(others("transactions"), 0);
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A Firebird server that accepts and then stays silent is given up within the connection time-out.
TEST(FirebirdServer, ASilentServerIsGivenUpWithinTheTimeout) {
    SilentListener silent;
    DriversDatabase db;
    for (int timeout : {2}) {
        auto c = db.createConnection();
        c->setConnectionTimeout(timeout);
        const auto start = std::chrono::steady_clock::now();
        try {
            c->open(FirebirdSettings({"127.0.0.1/" + std::to_string(silent.port()) + ":/data/shop.fdb", "SYSDBA", "pw"}));
            FAIL() << "no error";
        } catch (const DatabaseError& e) {
            EXPECT_FALSE(std::string(e.what()).empty());
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_GE(silent.connections(), 1);
        EXPECT_LT(seconds, timeout + 3.0);
    }
}

}  // namespace
}  // namespace tess
