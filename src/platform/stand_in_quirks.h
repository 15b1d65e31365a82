#pragma once
// What the program bends for SQLite's ODBC driver, registered as "SQL Server" to stand in for it in
// the tests and benchmarks, since no SQL Server runs there: each bend named once here, with the
// driver that needs it and why. A real SQL Server driver never meets one of them.
#include <string_view>

namespace tess::stand_in {

// SQLite's native errors, with SQLSTATE HY000: "database or disk is full" (SQLITE_FULL) and
// "attempt to write a readonly database" (SQLITE_READONLY). Taken as SQL Server's 1105 and 9002,
// and 3906, are, so that a full disk and a read-only database end their tables alike there.
inline constexpr long kSqliteFull = 13;
inline constexpr long kSqliteReadOnly = 8;
// SQLite's driver answers SQLCancel by interrupting the statement, which then fails as "interrupted
// (9)" (SQLITE_INTERRUPT) with HY000, where SQL Server's drivers say HY008: taken as a cancel, so
// that a stop that cut an INSERT short ends the table stopped instead of failing the row.
inline constexpr long kSqliteInterrupted = 9;
// SQLite's "constraint failed" (SQLITE_CONSTRAINT: NOT NULL, UNIQUE, a check) comes with HY000 where
// SQL Server says 23000: the row's own values, as there.
inline constexpr long kSqliteConstraint = 19;

// SQLite's driver (0.9998) gives every row of an array of binary values the length of the first
// row's value; FreeTDS sends each row's own. Through it, binary values go a row at a time.
inline bool GarblesBinaryArrays(std::string_view driverName) {
    return driverName.find("sqlite") != std::string_view::npos;
}

// The names SQLite makes up for the indexes of its keys (sqlite_autoindex_T_1): the target makes up
// its own, as for SQL Server's PK__ORDERS__3214EC07.
inline bool IsMadeUpIndexName(std::string_view name) { return name.substr(0, 17) == "sqlite_autoindex_"; }

}  // namespace tess::stand_in
