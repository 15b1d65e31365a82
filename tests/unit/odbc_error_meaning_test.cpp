#include <gtest/gtest.h>

#include "platform/odbc/odbc_error.h"

namespace tess {
namespace {

// What SQL Server's drivers (FreeTDS, Microsoft's) and SQLite's report, and what it means for the
// copy: a row's own failure, the table's, the connection's, a time-out or a cancel.
TEST(OdbcRecordMeaning, FromTheNativeErrorAndTheSqlState) {
    struct Case {
        SQLINTEGER native;
        const char* state;
        bool lost, endsTable, timedOut, cancelled, rowValues = false;
    } cases[] = {
        {8152, "22001", false, false, false, false, true},  // string or binary data would be truncated
        {245, "22018", false, false, false, false, true},  // conversion failed
        {2627, "23000", false, false, false, false, true},  // duplicate key
        {515, "23000", false, false, false, false, true},   // NULL into a NOT NULL column
        {547, "23000", false, false, false, false, true},   // a foreign key or a check refused the row
        {8115, "22003", false, false, false, false, true},  // arithmetic overflow
        {208, "42S02", false, true, false, false},    // invalid object name: the table was dropped
        {229, "42000", false, true, false, false},    // INSERT permission denied
        {3906, "25000", false, true, false, false},   // the database is read-only
        {1205, "40001", false, true, false, false},   // chosen as deadlock victim
        {1222, "HY000", false, true, false, false},   // lock request time out period exceeded
        {0, "HYT00", false, true, true, false},       // the query time-out
        {0, "HY008", false, false, false, true},      // operation canceled
        {0, "08S01", true, false, false, false},      // communication link failure
        {9002, "42000", true, false, false, false},   // the transaction log is full
        {8, "HY000", false, true, false, false},      // SQLite: attempt to write a readonly database
        {13, "HY000", true, false, false, false},     // SQLite: database or disk is full
        {9, "HY000", false, false, false, true},      // SQLite: interrupted (its answer to SQLCancel)
        {19, "HY000", false, false, false, false, true},  // SQLite: a constraint failed
        {1, "HY000", false, false, false, false},     // SQLite: any other error
    };
    for (const auto& c : cases) {
        DatabaseError::Details d;
        AddOdbcRecordMeaning(c.native, c.state, d);
        EXPECT_EQ(d.connectionLost, c.lost) << c.native << " " << c.state;
        EXPECT_EQ(d.endsTable, c.endsTable) << c.native << " " << c.state;
        EXPECT_EQ(d.timedOut, c.timedOut) << c.native << " " << c.state;
        EXPECT_EQ(d.cancelled, c.cancelled) << c.native << " " << c.state;
        EXPECT_EQ(d.rowValues, c.rowValues) << c.native << " " << c.state << ": the row's own values";
    }
}

}  // namespace
}  // namespace tess
