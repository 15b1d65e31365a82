#pragma once
#include <sql.h>

#include <memory>
#include <mutex>
#include <set>
#include <utility>

namespace tess {

// The statement handles of one connection that are still held. Before it disconnects, the connection
// frees them (some drivers refuse to disconnect with statements open, and the driver manager
// would free them anyway); their owners then neither use them nor free them again.
struct OdbcStatements {
    bool connected = true;
    std::set<SQLHANDLE> live;
    // Guards `live` against a cancel from another thread; a handle leaves `live` before it is freed.
    std::mutex mutex;
    void freeAll() noexcept;
    // SQLCancel on every live statement: one under way gives up, an idle one is left as it is
    // (ODBC 3's SQLCancel).
    void cancelAll() noexcept;
    // As freeAll, but the driver is not called: for a connection given up with a call stuck in it.
    void forgetAll() noexcept;
};

// Owns one ODBC handle; frees it on destruction, never throwing. A statement handle may be tied to
// its connection's statements, and then outlives the connection safely: get throws once the
// connection is closed.
class OdbcHandle {
public:
    OdbcHandle() = default;
    OdbcHandle(SQLSMALLINT type, SQLHANDLE parent);  // throws OdbcError
    ~OdbcHandle() { reset(); }
    OdbcHandle(OdbcHandle&& other) noexcept
        : type_(other.type_), handle_(std::exchange(other.handle_, nullptr)), statements_(std::move(other.statements_)) {}
    OdbcHandle& operator=(OdbcHandle&& other) noexcept {
        if (this != &other) {
            reset();
            type_ = other.type_;
            handle_ = std::exchange(other.handle_, nullptr);
            statements_ = std::move(other.statements_);
        }
        return *this;
    }
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    // Throws OdbcError when the handle's connection has been closed.
    SQLHANDLE get() const;
    void tieTo(std::shared_ptr<OdbcStatements> statements);
    SQLSMALLINT type() const { return type_; }
    explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
    void reset() noexcept;
    // Lets the handle go without freeing it: for a connection given up with a call stuck in it,
    // which the driver may never let go of.
    void forget() noexcept {
        handle_ = SQL_NULL_HANDLE;
        statements_.reset();
    }

private:
    SQLSMALLINT type_ = 0;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
    std::shared_ptr<OdbcStatements> statements_;  // its connection's statements, when tied
};

}  // namespace tess
