#include "platform/odbc/odbc_connection.h"

#include <optional>

#include "platform/object_state.h"
#include "platform/stand_in_quirks.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>

#include "platform/odbc/driver_resolution.h"
#include "platform/odbc/odbc_error.h"
#include "platform/odbc/odbc_parameters.h"
#include "platform/odbc/odbc_recordset.h"
#include "common/text_codec.h"

namespace tess {
namespace {

SQLWCHAR* Wide(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

bool StartsWithSelect(const std::string& query) {
    size_t i = query.find_first_not_of(" \t\r\n(");
    if (i == std::string::npos || query.size() - i < 6) return false;
    std::string head = query.substr(i, 6);
    for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return head == "select";
}

}  // namespace

namespace {

OdbcHandle NewEnvironment() {
    OdbcHandle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    CheckOdbc(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              SQL_HANDLE_ENV, env.get(), "SQLSetEnvAttr");
    return env;
}

}  // namespace

OdbcConnection::OdbcConnection() : env_(NewEnvironment()) {}

OdbcConnection::~OdbcConnection() {
    if (connected_) disconnect();
}

// The statements still held by recordsets and prepared statements are freed first, and their owners
// learn it. A transaction still open is rolled back, as on any lost connection; disconnecting
// refuses otherwise.
SQLRETURN OdbcConnection::disconnect() noexcept {
    if (abandoned_) {  // nothing of it is handed to the driver again
        statements_->forgetAll();
        executor_.forget();
        dbc_.forget();
        env_.forget();
        connected_ = false;
        return SQL_SUCCESS;
    }
    executor_.reset();
    statements_->freeAll();
    connected_ = false;
    SQLRETURN rc = SQLDisconnect(dbc_.get());
    if (!SQL_SUCCEEDED(rc) && SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK)))
        rc = SQLDisconnect(dbc_.get());
    return rc;
}

std::vector<std::string> OdbcConnection::installedDrivers() {
    std::vector<std::string> drivers;
    SQLWCHAR description[512];
    SQLWCHAR attributes[2048];
    SQLSMALLINT descriptionLength = 0, attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDriversW(env_.get(), direction, description, 512, &descriptionLength, attributes, 2048,
                                     &attributesLength))) {
        drivers.push_back(Utf16ToUtf8(reinterpret_cast<const char16_t*>(description),
                                      std::min<size_t>(descriptionLength, 511)));
        direction = SQL_FETCH_NEXT;
    }
    return drivers;
}

void OdbcConnection::open(const ConnectionSettings& settings) {
    if (connected_) throw OdbcError("Operation is not allowed when the object is open.");
    if (!env_) env_ = NewEnvironment();  // the last one was let go with its connection
    std::optional<std::string> resolved;
    try {
        resolved = ResolveSqlServerDriver(settings, installedDrivers());
    } catch (const std::invalid_argument& e) {
        throw OdbcError(e.what());
    }
    if (!resolved) throw OdbcError(kNoSqlServerDriver);
    abandoned_ = false;
    dbc_ = OdbcHandle(SQL_HANDLE_DBC, env_.get());
    CheckOdbcOption(SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT,
                                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(connectionTimeout_)), 0),
                    SQL_HANDLE_DBC, dbc_.get(), "SQLSetConnectAttr");
    std::u16string text = Utf8ToUtf16(*resolved);
    // SQLDriverConnect takes the text's length as a SQLSMALLINT: a longer text would be cut.
    if (text.size() > 32767)
        throw OdbcError("The connection text is " + std::to_string(text.size()) +
                        " characters long; ODBC takes at most 32,767. Is a login value that long?");
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = SQLDriverConnectW(dbc_.get(), nullptr, Wide(text), static_cast<SQLSMALLINT>(text.size()), nullptr,
                                     0, &outLength, SQL_DRIVER_NOPROMPT);
    CheckOdbc(rc, SQL_HANDLE_DBC, dbc_.get(), "SQLDriverConnect");
    SQLCHAR driver[256] = {};
    SQLSMALLINT driverLength = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(dbc_.get(), SQL_DRIVER_NAME, driver, sizeof driver, &driverLength)))
        binaryArrays_ = !stand_in::GarblesBinaryArrays(reinterpret_cast<const char*>(driver));
    connected_ = true;
    statements_ = std::make_shared<OdbcStatements>();
}

void OdbcConnection::cancel() noexcept {
    if (const auto statements = statements_) statements->cancelAll();
}

void OdbcConnection::abandon() noexcept {
    cancel();
    abandoned_ = true;
}

void OdbcConnection::requireOpen() const {
    RequireOpen<OdbcError>(connected_);
}

OdbcHandle OdbcConnection::newStatement() {
    requireOpen();
    OdbcHandle stmt(SQL_HANDLE_STMT, dbc_.get());
    stmt.tieTo(statements_);
    CheckOdbcOption(SQLSetStmtAttrW(stmt.get(), SQL_ATTR_QUERY_TIMEOUT,
                                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(commandTimeout_)), 0),
                    SQL_HANDLE_STMT, stmt.get(), "SQLSetStmtAttr");
    return stmt;
}

namespace {

// Reads a statement's outcome, then closes whatever it left open, then runs `after` (which may
// call the driver too): the diagnostics are read first, since any later call on the handle clears
// them.
template <class Check, class After>
void CheckThenClose(SQLHSTMT stmt, Check&& check, After&& after) {
    std::optional<OdbcError> failure;
    try {
        check();
    } catch (const OdbcError& e) {
        failure = e;
    }
    SQLFreeStmt(stmt, SQL_CLOSE);
    after();
    if (failure) throw *failure;
}

}  // namespace

// One statement handle serves every statement of the connection: a copy executes one a row.
void OdbcConnection::execute(const std::string& sql) {
    if (!executor_) executor_ = newStatement();
    std::u16string text = Utf8ToUtf16(sql);
    const SQLRETURN rc = SQLExecDirectW(executor_.get(), Wide(text), static_cast<SQLINTEGER>(text.size()));
    if (rc == SQL_NO_DATA) return;  // a statement that touched no rows
    CheckThenClose(
        executor_.get(), [&] { CheckOdbc(rc, SQL_HANDLE_STMT, executor_.get(), "SQLExecDirect"); }, [] {});
}

void OdbcConnection::executeWith(const std::string& sql, const std::vector<Value>& parameters) {
    OdbcHandle stmt = newStatement();
    std::u16string text = Utf8ToUtf16(sql);
    CheckOdbc(SQLPrepareW(stmt.get(), Wide(text), static_cast<SQLINTEGER>(text.size())), SQL_HANDLE_STMT, stmt.get(),
              "SQLPrepare");
    ParameterRow row;
    const SQLRETURN rc = row.execute(stmt.get(), parameters);
    if (rc == SQL_NO_DATA) return;
    CheckOdbc(rc, SQL_HANDLE_STMT, stmt.get(), "SQLExecute");
}

namespace {

// A prepared statement keeps its handle and its bound buffers from one execution to the next.
struct Prepared : PreparedStatement {
    OdbcHandle stmt;
    ParameterRow row;
    ParameterArray array;
    void execute(const std::vector<Value>& parameters) override {
        SQLFreeStmt(stmt.get(), SQL_RESET_PARAMS);
        const SQLRETURN rc = row.execute(stmt.get(), parameters);
        CheckThenClose(
            stmt.get(), [&] { if (rc != SQL_NO_DATA) CheckOdbc(rc, SQL_HANDLE_STMT, stmt.get(), "SQLExecute"); },
            [] {});
    }
    // One round trip for all the rows where they fit in arrays; row by row where they do not.
    void executeMany(const std::vector<std::vector<Value>>& rows) override {
        if (rows.size() < 2 || !array.bind(stmt.get(), rows)) return PreparedStatement::executeMany(rows);
        const SQLRETURN rc = SQLExecute(stmt.get());
        CheckThenClose(
            stmt.get(), [&] { array.check(stmt.get(), rc); }, [&] { ParameterArray::unbind(stmt.get()); });
    }
};

}  // namespace

std::unique_ptr<PreparedStatement> OdbcConnection::prepare(const std::string& sql) {
    auto prepared = std::make_unique<Prepared>();
    prepared->stmt = newStatement();
    prepared->array.binaryArrays = binaryArrays_;
    std::u16string text = Utf8ToUtf16(sql);
    CheckOdbc(SQLPrepareW(prepared->stmt.get(), Wide(text), static_cast<SQLINTEGER>(text.size())), SQL_HANDLE_STMT,
              prepared->stmt.get(), "SQLPrepare");
    return prepared;
}

void OdbcConnection::rollbackTransaction() {
    requireOpen();
    CheckOdbc(SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK), SQL_HANDLE_DBC, dbc_.get(), "SQLEndTran");
    CheckOdbc(SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0),
              SQL_HANDLE_DBC, dbc_.get(), "SQLSetConnectAttr");
}

void OdbcConnection::beginTransaction() {
    requireOpen();
    CheckOdbc(SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
              SQL_HANDLE_DBC, dbc_.get(), "SQLSetConnectAttr");
}

void OdbcConnection::commitTransaction() {
    requireOpen();
    CheckOdbc(SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_COMMIT), SQL_HANDLE_DBC, dbc_.get(), "SQLEndTran");
    CheckOdbc(SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0),
              SQL_HANDLE_DBC, dbc_.get(), "SQLSetConnectAttr");
}

std::unique_ptr<Recordset> OdbcConnection::openSchema(int schema) {
    if (schema != kSchemaTables) throw OdbcError("Only the tables schema is supported.");
    OdbcHandle stmt = newStatement();
    SQLRETURN rc = SQLTablesW(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0);
    CheckOdbc(rc, SQL_HANDLE_STMT, stmt.get(), "SQLTables");
    return std::make_unique<OdbcRecordset>(std::move(stmt), -1, OdbcRecordset::kCatalogueNames);
}

// The catalogue calls of ODBC 3, which every driver answers (FreeTDS, Microsoft's, SQLite's);
// SQLStatistics with SQL_QUICK, so that the server is not asked to count its rows.
std::unique_ptr<Recordset> OdbcConnection::openCatalogue(int schema, const std::string& schemaName,
                                                         const std::string& table) {
    OdbcHandle stmt = newStatement();
    std::u16string owner = Utf8ToUtf16(schemaName), name = Utf8ToUtf16(table);
    SQLWCHAR* ownerText = schemaName.empty() ? nullptr : Wide(owner);
    const auto ownerLength = static_cast<SQLSMALLINT>(schemaName.empty() ? 0 : owner.size());
    const auto nameLength = static_cast<SQLSMALLINT>(name.size());
    SQLRETURN rc = SQL_ERROR;
    const char* call = "";
    switch (schema) {
        case kSchemaColumns:
            call = "SQLColumns";
            rc = SQLColumnsW(stmt.get(), nullptr, 0, ownerText, ownerLength, Wide(name), nameLength, nullptr, 0);
            break;
        case kSchemaIndexes:
            call = "SQLStatistics";
            rc = SQLStatisticsW(stmt.get(), nullptr, 0, ownerText, ownerLength, Wide(name), nameLength, SQL_INDEX_ALL,
                                SQL_QUICK);
            break;
        case kSchemaForeignKeys:
            call = "SQLForeignKeys";
            rc = SQLForeignKeysW(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, ownerText, ownerLength,
                                 Wide(name), nameLength);
            break;
        case kSchemaPrimaryKeys:
            call = "SQLPrimaryKeys";
            rc = SQLPrimaryKeysW(stmt.get(), nullptr, 0, ownerText, ownerLength, Wide(name), nameLength);
            break;
        default: throw OdbcError("No catalogue call answers schema " + std::to_string(schema) + ".");
    }
    CheckOdbc(rc, SQL_HANDLE_STMT, stmt.get(), call);
    return std::make_unique<OdbcRecordset>(std::move(stmt), -1, OdbcRecordset::kCatalogueNames);
}

std::unique_ptr<Recordset> OdbcConnection::openRecordset(const std::string& query, int cursorType,
                                                         int /*lockType*/) {
    // As in ADO, only a static cursor knows its row count. It is taken before the rows are read,
    // so that the rows can stream through a forward-only cursor instead of being held in memory;
    // other queries are not read twice.
    const long long count = cursorType == kOpenStatic && StartsWithSelect(query) ? countRows(query) : -1;
    OdbcHandle stmt = newStatement();
    std::u16string text = Utf8ToUtf16(query);
    CheckOdbc(SQLExecDirectW(stmt.get(), Wide(text), static_cast<SQLINTEGER>(text.size())), SQL_HANDLE_STMT,
              stmt.get(), "SQLExecDirect");
    return std::make_unique<OdbcRecordset>(std::move(stmt), count, OdbcRecordset::kResultNames);
}

std::unique_ptr<Recordset> OdbcConnection::openRecordsetWith(const std::string& query,
                                                             const std::vector<Value>& parameters) {
    OdbcHandle stmt = newStatement();
    std::u16string text = Utf8ToUtf16(query);
    CheckOdbc(SQLPrepareW(stmt.get(), Wide(text), static_cast<SQLINTEGER>(text.size())), SQL_HANDLE_STMT, stmt.get(),
              "SQLPrepare");
    ParameterRow row;  // read by SQLExecute alone: unbound after it, so that nothing points into it
    CheckOdbc(row.execute(stmt.get(), parameters), SQL_HANDLE_STMT, stmt.get(), "SQLExecute");
    SQLFreeStmt(stmt.get(), SQL_RESET_PARAMS);
    return std::make_unique<OdbcRecordset>(std::move(stmt), -1, OdbcRecordset::kResultNames);
}

void OdbcConnection::close() {
    requireOpen();
    CheckOdbc(disconnect(), SQL_HANDLE_DBC, dbc_.get(), "SQLDisconnect");
    dbc_.reset();
}

}  // namespace tess
