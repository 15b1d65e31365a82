#pragma once
#include <sql.h>

#include <utility>

namespace tess {

// Owns one ODBC handle; frees it on destruction, never throwing.
class OdbcHandle {
public:
    OdbcHandle() = default;
    OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);  // throws OdbcError
    ~OdbcHandle() { reset(); }
    OdbcHandle(OdbcHandle&& other) noexcept
        : type_(other.type_), handle_(std::exchange(other.handle_, nullptr)) {}
    OdbcHandle& operator=(OdbcHandle&& other) noexcept {
        if (this != &other) {
            reset();
            type_ = other.type_;
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    SQLHANDLE get() const { return handle_; }
    SQLSMALLINT type() const { return type_; }
    explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
    void reset() noexcept;

private:
    SQLSMALLINT type_ = 0;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

}  // namespace tess
