#pragma once
// Reads a variable-length column in pieces through a caller's scratch buffer: a value can be far
// larger than any buffer, and a buffer made (and zeroed) per cell cost a fifth of a copy.
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

#include "platform/odbc/odbc_error.h"

namespace tess {

// False when the value is NULL.
template <class Unit>
bool ReadLong(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT cType, std::vector<char>& scratch,
              std::basic_string<Unit>& out) {
    const size_t terminator = cType == SQL_C_BINARY ? 0 : 1;
    const size_t capacity = scratch.size() / sizeof(Unit);
    auto* buffer = reinterpret_cast<Unit*>(scratch.data());
    out.clear();
    for (;;) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(stmt, column, cType, buffer, static_cast<SQLLEN>(capacity * sizeof(Unit)), &indicator);
        if (rc == SQL_NO_DATA) return true;
        CheckOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLGetData");
        if (indicator == SQL_NULL_DATA) return false;
        size_t units = capacity - terminator;
        if (indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) / sizeof(Unit) < units)
            units = static_cast<size_t>(indicator) / sizeof(Unit);
        out.append(buffer, units);
        if (rc == SQL_SUCCESS) return true;
    }
}

}  // namespace tess
