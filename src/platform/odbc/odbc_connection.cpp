#include "platform/odbc/odbc_connection.h"

#include <charconv>
#include <optional>

#include "platform/object_state.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>

#include "platform/odbc/driver_resolution.h"
#include "platform/odbc/odbc_error.h"
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

OdbcConnection::OdbcConnection() : env_(SQL_HANDLE_ENV, SQL_NULL_HANDLE) {
    CheckOdbc(SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              SQL_HANDLE_ENV, env_.get(), "SQLSetEnvAttr");
}

OdbcConnection::~OdbcConnection() {
    if (connected_) SQLDisconnect(dbc_.get());
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

void OdbcConnection::open(const std::string& connectionText) {
    if (connected_) throw OdbcError("Operation is not allowed when the object is open.");
    std::optional<std::string> resolved;
    try {
        resolved = ResolveSqlServerDriver(connectionText, installedDrivers());
    } catch (const std::invalid_argument& e) {
        throw OdbcError(e.what());
    }
    if (!resolved) throw OdbcError(kNoSqlServerDriver);
    dbc_ = OdbcHandle(SQL_HANDLE_DBC, env_.get());
    // Unsupported attributes only give a warning or an error that does not matter for opening.
    SQLSetConnectAttrW(dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(connectionTimeout_)), 0);
    std::u16string text = Utf8ToUtf16(*resolved);
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = SQLDriverConnectW(dbc_.get(), nullptr, Wide(text), static_cast<SQLSMALLINT>(text.size()), nullptr,
                                     0, &outLength, SQL_DRIVER_NOPROMPT);
    CheckOdbc(rc, SQL_HANDLE_DBC, dbc_.get(), "SQLDriverConnect");
    connected_ = true;
}

void OdbcConnection::requireOpen() const {
    RequireOpen<OdbcError>(connected_);
}

OdbcHandle OdbcConnection::newStatement() {
    requireOpen();
    OdbcHandle stmt(SQL_HANDLE_STMT, dbc_.get());
    SQLSetStmtAttrW(stmt.get(), SQL_ATTR_QUERY_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(commandTimeout_)), 0);
    return stmt;
}

// One statement handle serves every statement of the connection: a copy executes one a row.
void OdbcConnection::execute(const std::string& sql) {
    if (!executor_) executor_ = newStatement();
    std::u16string text = Utf8ToUtf16(sql);
    const SQLRETURN rc = SQLExecDirectW(executor_.get(), Wide(text), static_cast<SQLINTEGER>(text.size()));
    if (rc == SQL_NO_DATA) return;  // a statement that touched no rows
    std::optional<OdbcError> failure;
    try {
        CheckOdbc(rc, SQL_HANDLE_STMT, executor_.get(), "SQLExecDirect");
    } catch (const OdbcError& e) {
        failure = e;
    }
    SQLFreeStmt(executor_.get(), SQL_CLOSE);  // whatever the statement left open
    if (failure) throw *failure;
}

// Binds one row of marker values. The bound buffers must live until the statement has run.
void OdbcConnection::bindParameters(SQLHSTMT stmt, const std::vector<Value>& parameters, ParameterBuffers& buffers) {
    buffers.texts.assign(parameters.size(), {});
    buffers.lengths.assign(parameters.size(), 0);
    auto& texts = buffers.texts;
    auto& lengths = buffers.lengths;
    for (size_t i = 0; i < parameters.size(); ++i) {
        const auto number = static_cast<SQLUSMALLINT>(i + 1);
        SQLRETURN rc;
        const Value& value = parameters[i];
        if (const auto* f = std::get_if<Floating>(&value)) {
            char buffer[64];
            const auto end = f->single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(f->value)).ptr
                                       : std::to_chars(buffer, buffer + sizeof buffer, f->value).ptr;
            texts[i] = Utf8ToUtf16(std::string_view(buffer, static_cast<size_t>(end - buffer)));
        } else if (const auto* s = std::get_if<std::string>(&value)) {
            texts[i] = Utf8ToUtf16(*s);
        }
        if (std::holds_alternative<Floating>(value) || std::holds_alternative<std::string>(value)) {
            lengths[i] = static_cast<SQLLEN>(texts[i].size() * sizeof(char16_t));
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WLONGVARCHAR,
                                  std::max<SQLULEN>(texts[i].size(), 1), 0, texts[i].data(), lengths[i], &lengths[i]);
        } else if (const auto* b = std::get_if<Bytes>(&value)) {
            lengths[i] = static_cast<SQLLEN>(b->size());
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                                  std::max<SQLULEN>(b->size(), 1), 0, const_cast<std::uint8_t*>(b->data()), lengths[i],
                                  &lengths[i]);
        } else if (IsNull(value)) {
            lengths[i] = SQL_NULL_DATA;
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 1, 0, nullptr, 0,
                                  &lengths[i]);
        } else {
            throw OdbcError("Only text, binary and floating-point values can be passed as parameters.");
        }
        CheckOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLBindParameter");
    }
}

void OdbcConnection::executeWith(const std::string& sql, const std::vector<Value>& parameters) {
    OdbcHandle stmt = newStatement();
    std::u16string text = Utf8ToUtf16(sql);
    CheckOdbc(SQLPrepareW(stmt.get(), Wide(text), static_cast<SQLINTEGER>(text.size())), SQL_HANDLE_STMT, stmt.get(),
              "SQLPrepare");
    ParameterBuffers buffers;
    bindParameters(stmt.get(), parameters, buffers);
    SQLRETURN rc = SQLExecute(stmt.get());
    if (rc == SQL_NO_DATA) return;
    CheckOdbc(rc, SQL_HANDLE_STMT, stmt.get(), "SQLExecute");
}

std::unique_ptr<PreparedStatement> OdbcConnection::prepare(const std::string& sql) {
    struct Prepared : PreparedStatement {
        OdbcHandle stmt;
        ParameterBuffers buffers;
        void execute(const std::vector<Value>& parameters) override {
            SQLFreeStmt(stmt.get(), SQL_RESET_PARAMS);
            bindParameters(stmt.get(), parameters, buffers);
            const SQLRETURN rc = SQLExecute(stmt.get());
            SQLFreeStmt(stmt.get(), SQL_CLOSE);
            if (rc == SQL_NO_DATA) return;
            CheckOdbc(rc, SQL_HANDLE_STMT, stmt.get(), "SQLExecute");
        }
    };
    auto prepared = std::make_unique<Prepared>();
    prepared->stmt = newStatement();
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

std::unique_ptr<Recordset> OdbcConnection::openRecordset(const std::string& query, int /*cursorType*/,
                                                         int /*lockType*/) {
    // The row count is taken before the rows are read, so that the rows can stream through a
    // forward-only cursor instead of being held in memory.
    long long count = -1;
    if (StartsWithSelect(query)) {
        try {
            OdbcHandle countStmt = newStatement();
            std::u16string countText = Utf8ToUtf16("SELECT COUNT(*) FROM (" + query + ") tessaline_count");
            CheckOdbc(SQLExecDirectW(countStmt.get(), Wide(countText), static_cast<SQLINTEGER>(countText.size())),
                      SQL_HANDLE_STMT, countStmt.get(), "SQLExecDirect");
            SQLBIGINT n = 0;
            SQLLEN indicator = 0;
            if (SQL_SUCCEEDED(SQLFetch(countStmt.get())) &&
                SQL_SUCCEEDED(SQLGetData(countStmt.get(), 1, SQL_C_SBIGINT, &n, sizeof n, &indicator)))
                count = n;
        } catch (const OdbcError&) {
            count = -1;  // the provider cannot tell; the rows are still read to their end
        }
    }
    OdbcHandle stmt = newStatement();
    std::u16string text = Utf8ToUtf16(query);
    CheckOdbc(SQLExecDirectW(stmt.get(), Wide(text), static_cast<SQLINTEGER>(text.size())), SQL_HANDLE_STMT,
              stmt.get(), "SQLExecDirect");
    return std::make_unique<OdbcRecordset>(std::move(stmt), count, OdbcRecordset::kResultNames);
}

void OdbcConnection::close() {
    requireOpen();
    executor_.reset();
    SQLRETURN rc = SQLDisconnect(dbc_.get());
    connected_ = false;
    CheckOdbc(rc, SQL_HANDLE_DBC, dbc_.get(), "SQLDisconnect");
    dbc_.reset();
}

}  // namespace tess
