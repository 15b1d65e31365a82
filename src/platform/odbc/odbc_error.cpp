#include "platform/odbc/odbc_error.h"

#include <algorithm>
#include <vector>

#include "common/text_codec.h"
#include "platform/stand_in_quirks.h"

namespace tess {

namespace {

// Native errors that mean the database can take nothing more: SQL Server's filegroup full (1105)
// and transaction log full (9002); the stand-in's full disk.
bool IsOutOfSpace(SQLINTEGER nativeError, const std::string& state) {
    return nativeError == 1105 || nativeError == 9002 || (nativeError == stand_in::kSqliteFull && state == "HY000");
}

// What no row of the statement's table can get past (SQL Server's own numbers, which FreeTDS and
// Microsoft's drivers pass on): the table gone (208), the right to write it gone (229, 230), the
// database read-only (3906), the transaction chosen as a deadlock victim (1205) or out of time
// for a lock (1222); and the stand-in's read-only database. SQLSTATE 42S02 is a
// table not found, 40001 a deadlock, 25xxx a transaction in a state that takes no more.
bool EndsTable(SQLINTEGER nativeError, const std::string& state) {
    static constexpr SQLINTEGER kNative[] = {208, 229, 230, 3906, 1205, 1222};
    return std::find(std::begin(kNative), std::end(kNative), nativeError) != std::end(kNative) ||
           (nativeError == stand_in::kSqliteReadOnly && state == "HY000") || state == "42S02" || state == "40001" ||
           state.rfind("25", 0) == 0;
}

}  // namespace

// Class 08: the connection failed or went away. HYT00 and HYT01: the driver gave up waiting.
void AddOdbcRecordMeaning(SQLINTEGER nativeError, const std::string& sqlState, DatabaseError::Details& d) {
    if (sqlState.rfind("08", 0) == 0 || IsOutOfSpace(nativeError, sqlState)) d.connectionLost = true;
    if (sqlState == "HYT00" || sqlState == "HYT01") d.timedOut = true;
    if (EndsTable(nativeError, sqlState) || d.timedOut) d.endsTable = true;
    // Class 22 is a data exception, class 23 a constraint violated: the row's own values.
    if (sqlState.rfind("22", 0) == 0 || sqlState.rfind("23", 0) == 0) d.rowValues = true;
    if (nativeError == stand_in::kSqliteConstraint && sqlState == "HY000") d.rowValues = true;
    if (sqlState == "HY008" || (nativeError == stand_in::kSqliteInterrupted && sqlState == "HY000"))
        d.cancelled = true;
}

OdbcDiagnostics ReadOdbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    OdbcDiagnostics out;
    DatabaseError::Details& d = out.details;
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
        d.codes.sqlStates.push_back(sqlState);
        d.codes.nativeErrors.push_back(nativeError);
        AddOdbcRecordMeaning(nativeError, sqlState, d);
        if (!out.text.empty()) out.text += "\n";
        out.text += "[" + sqlState + "] " + Utf16ToUtf8(reinterpret_cast<const char16_t*>(message.data()), length);
    }
    return out;
}

void ThrowOdbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& fallback) {
    OdbcDiagnostics diagnostics = handle ? ReadOdbcDiagnostics(handleType, handle) : OdbcDiagnostics{};
    if (diagnostics.text.empty()) diagnostics.text = fallback;
    throw OdbcError(diagnostics.text, std::move(diagnostics.details));
}

void CheckOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what) {
    if (SQL_SUCCEEDED(rc)) return;
    ThrowOdbcDiagnostics(handleType, handle, std::string(what) + " failed (ODBC return code " + std::to_string(rc) + ")");
}

void CheckOdbcOption(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what) {
    if (SQL_SUCCEEDED(rc)) return;
    const OdbcDiagnostics diagnostics = ReadOdbcDiagnostics(handleType, handle);
    const auto& states = diagnostics.details.codes.sqlStates;
    const bool unsupported = !states.empty() && std::all_of(states.begin(), states.end(), [](const std::string& s) {
        return s == "HYC00" || s == "HY092" || s == "HY024";
    });
    if (!unsupported) CheckOdbc(rc, handleType, handle, what);
}

}  // namespace tess
