#include "platform/odbc/odbc_error.h"

#include <vector>

#include "common/text_codec.h"

namespace tess {

namespace {

// Native errors that mean the database can take nothing more: SQL Server's filegroup full (1105)
// and transaction log full (9002); SQLite's "database or disk is full" (13), for the stand-in.
bool IsOutOfSpace(SQLINTEGER nativeError, const std::string& state) {
    return nativeError == 1105 || nativeError == 9002 || (nativeError == 13 && state == "HY000");
}

}  // namespace

std::string OdbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, bool* connectionLost) {
    std::string text;
    for (SQLSMALLINT record = 1;; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        SQLSMALLINT length = 0;
        std::vector<SQLWCHAR> message(1024);
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, state, &nativeError, message.data(),
                                      static_cast<SQLSMALLINT>(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
            message.resize(length + 1);
            rc = SQLGetDiagRecW(handleType, handle, record, state, &nativeError, message.data(),
                                static_cast<SQLSMALLINT>(message.size()), &length);
        }
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) break;  // SQL_NO_DATA ends the records
        const std::string sqlState = Utf16ToUtf8(reinterpret_cast<const char16_t*>(state), 5);
        // Class 08: the connection failed or went away.
        if (connectionLost && (sqlState.rfind("08", 0) == 0 || IsOutOfSpace(nativeError, sqlState)))
            *connectionLost = true;
        if (!text.empty()) text += "\n";
        text += "[" + sqlState + "] " +
                Utf16ToUtf8(reinterpret_cast<const char16_t*>(message.data()), length);
    }
    return text;
}

void CheckOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what) {
    if (SQL_SUCCEEDED(rc)) return;
    bool connectionLost = false;
    std::string diagnostics = handle ? OdbcDiagnostics(handleType, handle, &connectionLost) : std::string();
    if (diagnostics.empty()) diagnostics = std::string(what) + " failed (ODBC return code " + std::to_string(rc) + ")";
    throw OdbcError(diagnostics, connectionLost);
}

}  // namespace tess
