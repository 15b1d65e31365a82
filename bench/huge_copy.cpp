// One huge value, each way: the sources it is copied from, and the companion run in this process
// over the stand-in (SQLite's ODBC driver, as the tests give it NVARCHAR(MAX) as TEXT), so that the
// peak memory printed is the copy's own process.
//   huge_copy source-standin DB MB text|binary   a stand-in table HUGE(ID, BODY) of one row
//   huge_copy source-fdb FDB MB text|binary      the same in a new Firebird database
//   huge_copy driver-read DB                     the stand-in's driver alone reading HUGE, its
//                                                value asked for in pieces and thrown away
//   huge_copy run COMPANION-ARGUMENTS...         tessaline-copy's command; prints peak_kb=N
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/copy/copy_command.h"
#include "connect/connection_strings.h"
#include "peak_memory.h"
#include "platform/console_toolkit.h"
#include "platform/odbc/odbc_locale.h"
#include "standin_database.h"
#include "temp_folder.h"

using namespace tess;

namespace {

std::string Filled(long long bytes, bool text) {
    std::string value(static_cast<size_t>(bytes), 'x');
    if (!text)
        for (size_t i = 0; i < value.size(); ++i) value[i] = static_cast<char>(i * 131 % 251);
    return value;
}

Value Body(long long bytes, bool text) {
    std::string value = Filled(bytes, text);
    if (text) return value;
    return Bytes(value.begin(), value.end());
}

int SourceStandIn(const std::string& db, long long bytes, bool text) {
    StandInDatabase database;
    auto c = database.createConnection();
    c->open(SqlServerSettings({"localhost", "1433", db, "sa", "", false}));
    c->execute(std::string("CREATE TABLE HUGE (ID INTEGER, BODY ") + (text ? "TEXT" : "BLOB") + ")");
    c->executeWith("INSERT INTO HUGE VALUES (1, ?)", {Body(bytes, text)});
    c->close();
    return 0;
}

int SourceFirebird(const std::string& fdb, long long bytes, bool text) {
    CreateFirebirdDatabase(fdb, "UTF8");
    StandInDatabase database;
    auto c = database.createConnection();
    c->open(FirebirdSettings({fdb, "SYSDBA", "", "UTF8"}));
    c->execute(std::string("CREATE TABLE HUGE (ID INTEGER, BODY BLOB SUB_TYPE ") + (text ? "TEXT" : "BINARY") + ")");
    c->executeWith("INSERT INTO HUGE VALUES (1, ?)", {Body(bytes, text)});
    c->close();
    return 0;
}

// What SQLite's driver itself holds while a value is read: the whole result, and a conversion of
// what is left at each call. Asked for as the program asks (UTF-16 for text), the first piece small
// and the rest in one call, into a buffer counted apart and taken off.
int DriverRead(const std::string& db) {
    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    const std::string text = "DRIVER={SQL Server};DATABASE=" + db;
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, nullptr, 0, nullptr,
                                        SQL_DRIVER_NOPROMPT)))
        return std::fprintf(stderr, "driver-read: cannot connect\n"), 1;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    SQLExecDirect(stmt, (SQLCHAR*)"SELECT BODY, typeof(BODY) = 'text' FROM HUGE", SQL_NTS);
    long long total = 0;
    size_t largestPiece = 0;  // ours, not the driver's
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
        SQLINTEGER isText = 0;
        SQLLEN indicator = 0;
        SQLGetData(stmt, 2, SQL_C_SLONG, &isText, 0, &indicator);
        const SQLSMALLINT type = isText ? SQL_C_WCHAR : SQL_C_BINARY;
        std::vector<char> piece(1 << 16);
        SQLRETURN rc = SQLGetData(stmt, 1, type, piece.data(), static_cast<SQLLEN>(piece.size()), &indicator);
        for (; rc == SQL_SUCCESS_WITH_INFO && indicator > 0;) {
            total += static_cast<long long>(piece.size());
            piece.assign(static_cast<size_t>(indicator) + 2, 0);
            piece.shrink_to_fit();
            largestPiece = std::max(largestPiece, piece.size());
            rc = SQLGetData(stmt, 1, type, piece.data(), static_cast<SQLLEN>(piece.size()), &indicator);
            total += indicator;
            piece = {};
            break;
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    std::printf("bytes=%lld peak_kb=%ld\n", total, PeakResidentKb() - static_cast<long>(largestPiece / 1024));
    return 0;
}

int Run(int argc, char** argv) {
    auto parsed = ParseCopyOptions(std::vector<std::string>(argv + 2, argv + argc));
    const auto* options = std::get_if<CopyOptions>(&parsed);
    if (!options) return std::fprintf(stderr, "huge_copy run: %s\n", std::get<UsageError>(parsed).message.c_str()), 2;
    UseUtf8CharacterSet();
    StandInDatabase database;
    ConsoleToolkit toolkit(std::cerr, options->overwrite ? kAnswerYes : kAnswerNo, false);
    std::ostringstream out;
    const int status = RunCopyCommand(*options, {}, database, toolkit, out);
    std::cerr << out.str();
    std::printf("status=%d peak_kb=%ld\n", status, PeakResidentKb());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if ((mode == "source-standin" || mode == "source-fdb") && argc > 4) {
        const long long bytes = std::atoll(argv[3]) * 1000000;
        const bool text = std::string(argv[4]) == "text";
        return mode == "source-standin" ? SourceStandIn(argv[2], bytes, text) : SourceFirebird(argv[2], bytes, text);
    }
    if (mode == "driver-read" && argc > 2) return DriverRead(argv[2]);
    if (mode == "run") return Run(argc, argv);
    std::fprintf(stderr, "usage: huge_copy source-standin|source-fdb DB MB text|binary | driver-read DB | run ...\n");
    return 2;
}
