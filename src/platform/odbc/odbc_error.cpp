#include "platform/odbc/odbc_error.h"

#include <vector>

#include "common/text_codec.h"

namespace tess {

std::string OdbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
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
        if (!text.empty()) text += "\n";
        text += "[" + Utf16ToUtf8(reinterpret_cast<const char16_t*>(state), 5) + "] " +
                Utf16ToUtf8(reinterpret_cast<const char16_t*>(message.data()), length);
    }
    return text;
}

void CheckOdbc(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* what) {
    if (SQL_SUCCEEDED(rc)) return;
    std::string diagnostics = handle ? OdbcDiagnostics(handleType, handle) : std::string();
    if (diagnostics.empty()) diagnostics = std::string(what) + " failed (ODBC return code " + std::to_string(rc) + ")";
    throw OdbcError(diagnostics);
}

}  // namespace tess
