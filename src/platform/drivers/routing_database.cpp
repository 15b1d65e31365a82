#include "platform/drivers/routing_database.h"

#include <optional>

#include "platform/object_state.h"

namespace tess {
namespace {

// Holds the properties set before Open and hands them to whichever layer the text selects. The
// layer's connection is kept after Close, so that opening again reuses it.
class RoutingConnection : public Connection {
public:
    RoutingConnection(const RoutingDatabase::Factory& firebird, const RoutingDatabase::Factory& others)
        : firebird_(firebird), others_(others) {}

    void setCursorLocation(int v) override { cursorLocation_ = v; if (open_) adapter_->setCursorLocation(v); }
    void setCommandTimeout(int v) override { commandTimeout_ = v; if (open_) adapter_->setCommandTimeout(v); }
    void setConnectionTimeout(int v) override { connectionTimeout_ = v; if (open_) adapter_->setConnectionTimeout(v); }

    void open(const ConnectionSettings& settings) override {
        const bool firebird = settings.firebird() != nullptr;
        if (!adapter_ || firebird != adapterIsFirebird_) {
            adapter_ = firebird ? firebird_() : others_();
            adapterIsFirebird_ = firebird;
        }
        if (cursorLocation_) adapter_->setCursorLocation(*cursorLocation_);
        if (commandTimeout_) adapter_->setCommandTimeout(*commandTimeout_);
        if (connectionTimeout_) adapter_->setConnectionTimeout(*connectionTimeout_);
        adapter_->open(settings);
        open_ = true;
    }
    void execute(const std::string& sql) override { opened().execute(sql); }
    void executeWith(const std::string& sql, const std::vector<Value>& parameters) override {
        opened().executeWith(sql, parameters);
    }
    void beginTransaction() override { opened().beginTransaction(); }
    void commitTransaction() override { opened().commitTransaction(); }
    void rollbackTransaction() override { opened().rollbackTransaction(); }
    std::unique_ptr<PreparedStatement> prepare(const std::string& sql) override { return opened().prepare(sql); }
    std::unique_ptr<Recordset> openSchema(int schema) override { return opened().openSchema(schema); }
    std::unique_ptr<Recordset> openCatalogue(int schema, const std::string& schemaName,
                                             const std::string& table) override {
        return opened().openCatalogue(schema, schemaName, table);
    }
    std::unique_ptr<Recordset> openRecordset(const std::string& query, int cursorType, int lockType) override {
        return opened().openRecordset(query, cursorType, lockType);
    }
    std::unique_ptr<Recordset> openRecordsetWith(const std::string& query,
                                                 const std::vector<Value>& parameters) override {
        return opened().openRecordsetWith(query, parameters);
    }
    void close() override {
        opened().close();
        open_ = false;
    }
    void cancel() noexcept override {
        if (open_) adapter_->cancel();
    }
    void abandon() noexcept override {
        if (open_) adapter_->abandon();
    }

private:
    Connection& opened() {
        RequireOpen<DatabaseError>(open_);
        return *adapter_;
    }

    const RoutingDatabase::Factory& firebird_;
    const RoutingDatabase::Factory& others_;
    std::unique_ptr<Connection> adapter_;
    bool adapterIsFirebird_ = false;
    bool open_ = false;
    std::optional<int> cursorLocation_, commandTimeout_, connectionTimeout_;
};

}  // namespace

RoutingDatabase::RoutingDatabase(Factory firebird, Factory others)
    : firebird_(std::move(firebird)), others_(std::move(others)) {}

std::unique_ptr<Connection> RoutingDatabase::createConnection() {
    return std::make_unique<RoutingConnection>(firebird_, others_);
}

}  // namespace tess
