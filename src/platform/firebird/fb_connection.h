#pragma once
#include <functional>
#include <memory>

#include "platform/database.h"
#include "platform/firebird/fb_session.h"

namespace tess {

// A connection through the Firebird client library: a plain path opens with the embedded engine,
// host:path goes to a server. Between beginTransaction and its commit or rollback, statements run
// in that one transaction; otherwise each runs in a transaction of its own, committed at once.
class FirebirdConnection : public Connection {
public:
    explicit FirebirdConnection(Firebird::IMaster* master);
    // An open transaction is rolled back; prepared statements still held fail from then on.
    ~FirebirdConnection() override;

    void setCursorLocation(int) override {}
    // Firebird 3 has no statement time-out; what a statement can wait for without end is another
    // transaction's lock, and that wait is bounded by the command time-out.
    void setCommandTimeout(int seconds) override;
    void setConnectionTimeout(int seconds) override { connectionTimeout_ = seconds; }
    void open(const ConnectionSettings& settings) override;
    void execute(const std::string& sql) override;
    void executeWith(const std::string& sql, const std::vector<Value>& parameters) override;
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() override;
    // Every marker is given as text, which Firebird converts as it converts a literal, except where
    // the column is a BLOB, floating point or an integer, which take their own kinds.
    std::unique_ptr<PreparedStatement> prepare(const std::string& sql) override;
    std::unique_ptr<Recordset> openSchema(int schema) override;
    std::unique_ptr<Recordset> openRecordset(const std::string& query, int cursorType, int lockType) override;
    std::unique_ptr<Recordset> openRecordsetWith(const std::string& query,
                                                 const std::vector<Value>& parameters) override;
    void close() override;
    void cancel() noexcept override;
    void abandon() noexcept override;

private:
    void requireOpen() const;
    void endSession() noexcept;

    Firebird::IMaster* master_;
    int connectionTimeout_ = 15;  // ADO's default, where the caller sets none
    int commandTimeout_ = 30;     // ADO's default, too
    std::shared_ptr<FirebirdSession> session_;
};

// Runs `work` in the session's open transaction, or in one of its own that commits at once; a
// closed session refuses.
void InFirebirdTransaction(FirebirdSession& session,
                           const std::function<void(Firebird::ThrowStatusWrapper*, Firebird::ITransaction*)>& work);

}  // namespace tess
