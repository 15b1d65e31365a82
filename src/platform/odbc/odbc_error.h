#pragma once
#include <sql.h>
#include <sqlext.h>

#include <string>

#include "platform/database.h"

namespace tess {

// Carries every diagnostic record of the failed call, as the driver manager and driver worded them.
class OdbcError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};

// Every diagnostic record of a handle, one per line: "[SQLSTATE] message", with their codes, and
// what they say: that the connection or the database can take no more, or that a call timed out.
struct OdbcDiagnostics {
    std::string text;
    DatabaseError::Details details;
};
OdbcDiagnostics ReadOdbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);
// What one record's native error and SQLSTATE say, added to what the records before it said.
void AddOdbcRecordMeaning(SQLINTEGER nativeError, const std::string& sqlState, DatabaseError::Details& details);
// The handle's diagnostics as an OdbcError; `fallback` is its text when there is no record.
[[noreturn]] void ThrowOdbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& fallback);
// Throws OdbcError unless rc is a success code.
void CheckOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what);
// For an option a driver may not have (a time-out): throws unless rc is a success code or the
// driver says it has no such option (HYC00, HY092, HY024).
void CheckOdbcOption(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what);

}  // namespace tess
