#pragma once
// A connection over unixODBC's wide-character calls; opens the connection text with SQLDriverConnect.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/odbc/odbc_handle.h"

namespace tess {

class OdbcConnection : public Connection {
public:
    OdbcConnection();
    ~OdbcConnection() override;

    // Rows always stream through a forward-only cursor; the count is taken beforehand.
    void setCursorLocation(int) override {}
    void setCommandTimeout(int seconds) override { commandTimeout_ = seconds; }
    void setConnectionTimeout(int seconds) override { connectionTimeout_ = seconds; }
    void open(const ConnectionSettings& settings) override;
    void execute(const std::string& sql) override;
    void executeWith(const std::string& sql, const std::vector<Value>& parameters) override;
    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() override;
    std::unique_ptr<PreparedStatement> prepare(const std::string& sql) override;
    std::unique_ptr<Recordset> openSchema(int schema) override;
    std::unique_ptr<Recordset> openCatalogue(int schema, const std::string& schemaName,
                                             const std::string& table) override;
    std::unique_ptr<Recordset> openRecordset(const std::string& query, int cursorType, int lockType) override;
    std::unique_ptr<Recordset> openRecordsetWith(const std::string& query,
                                                 const std::vector<Value>& parameters) override;
    void close() override;
    void cancel() noexcept override;
    // Cancels, and from then on lets every handle of the connection go without calling the driver:
    // a call that ignored the cancel may still be in it, and a disconnect would wait for it.
    void abandon() noexcept override;

    // The driver names that the driver manager knows (odbcinst.ini).
    std::vector<std::string> installedDrivers();

private:
    OdbcHandle newStatement();
    void requireOpen() const;
    SQLRETURN disconnect() noexcept;

    OdbcHandle env_;
    OdbcHandle dbc_;
    OdbcHandle executor_;  // the statement handle of execute(), made at its first use
    bool connected_ = false;
    // Every statement handle of the connection still held, freed before it disconnects.
    std::shared_ptr<OdbcStatements> statements_;
    bool binaryArrays_ = true;  // but through the stand-in's driver (stand_in_quirks.h)
    std::atomic<bool> abandoned_ = false;
    int commandTimeout_ = 30;     // ADO's defaults
    int connectionTimeout_ = 15;
};

}  // namespace tess
