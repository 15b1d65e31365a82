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

// All diagnostic records of a handle, one per line: "[SQLSTATE] message". Sets *connectionLost
// when a record says the connection or the database can take no more.
std::string OdbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, bool* connectionLost = nullptr);
// Throws OdbcError unless rc is a success code.
void CheckOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what);

}  // namespace tess
