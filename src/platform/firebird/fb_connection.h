#pragma once
#include <memory>

#include "platform/database.h"
#include "platform/firebird/fb_session.h"

namespace tess {

// A connection through the Firebird client library: a plain path opens with the embedded engine,
// host:path goes to a server. Each statement runs in a transaction of its own, committed at once.
class FirebirdConnection : public Connection {
public:
    explicit FirebirdConnection(Firebird::IMaster* master);

    void setCursorLocation(int) override {}
    // Firebird 3's embedded engine has no statement time-out to set.
    void setCommandTimeout(int) override {}
    void setConnectionTimeout(int seconds) override { connectionTimeout_ = seconds; }
    void open(const std::string& connectionText) override;
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
    void close() override;

private:
    friend class FirebirdPrepared;
    void requireOpen() const;
    // Runs `work` in the open transaction, or in one of its own that commits at once.
    template <class Work>
    void inTransaction(Work&& work);

    Firebird::IMaster* master_;
    int connectionTimeout_ = 15;  // ADO's default, where the caller sets none
    // Declared in this order so that a connection that goes while open rolls its transaction back
    // before the attachment is detached.
    std::shared_ptr<FirebirdSession> session_;
    FbHandle<Firebird::ITransaction> transaction_;
};

}  // namespace tess
