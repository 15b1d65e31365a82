#include "platform/odbc/odbc_handle.h"

#include <sqlext.h>

#include "platform/odbc/odbc_error.h"

namespace tess {

OdbcHandle::OdbcHandle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
    SQLRETURN rc = SQLAllocHandle(type, parent, &handle_);
    if (!SQL_SUCCEEDED(rc)) {
        handle_ = SQL_NULL_HANDLE;
        ThrowOdbcDiagnostics(type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV, parent,
                             "Could not allocate an ODBC handle; is unixODBC installed?");
    }
}

void OdbcStatements::freeAll() noexcept {
    std::lock_guard lock(mutex);
    for (SQLHANDLE stmt : live) {
        SQLFreeStmt(stmt, SQL_CLOSE);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }
    live.clear();
    connected = false;
}

void OdbcStatements::forgetAll() noexcept {
    std::lock_guard lock(mutex);
    live.clear();
    connected = false;
}

void OdbcStatements::cancelAll() noexcept {
    std::lock_guard lock(mutex);
    for (SQLHANDLE stmt : live) SQLCancel(stmt);
}

void OdbcHandle::tieTo(std::shared_ptr<OdbcStatements> statements) {
    statements_ = std::move(statements);
    std::lock_guard lock(statements_->mutex);
    statements_->live.insert(handle_);
}

SQLHANDLE OdbcHandle::get() const {
    if (statements_ && !statements_->connected) throw OdbcError("The connection of this statement is closed.");
    return handle_;
}

void OdbcHandle::reset() noexcept {
    if (handle_ == SQL_NULL_HANDLE) return;
    if (statements_) {
        bool freedWithItsConnection = false;
        {
            std::lock_guard lock(statements_->mutex);
            freedWithItsConnection = !statements_->connected;
            statements_->live.erase(handle_);
        }
        statements_.reset();
        if (freedWithItsConnection) {
            handle_ = SQL_NULL_HANDLE;
            return;
        }
    }
    if (type_ == SQL_HANDLE_STMT) SQLFreeStmt(handle_, SQL_CLOSE);
    SQLFreeHandle(type_, handle_);
    handle_ = SQL_NULL_HANDLE;
}

}  // namespace tess
