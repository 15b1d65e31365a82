#include "platform/drivers_database.h"

#include <firebird/Interface.h>

#include "platform/firebird/fb_connection.h"
#include "platform/firebird/fb_connection_text.h"
#include "platform/odbc/odbc_connection.h"

namespace tess {
namespace {

// Holds the properties set before Open and hands them to whichever adapter the text selects.
class RoutingConnection : public Connection {
public:
    explicit RoutingConnection(Firebird::IMaster* firebird) : firebird_(firebird) {}

    void setCursorLocation(int location) override { forward([&](Connection& c) { c.setCursorLocation(location); }, cursorLocation_, location); }
    void setCommandTimeout(int seconds) override { forward([&](Connection& c) { c.setCommandTimeout(seconds); }, commandTimeout_, seconds); }
    void setConnectionTimeout(int seconds) override { forward([&](Connection& c) { c.setConnectionTimeout(seconds); }, connectionTimeout_, seconds); }

    void open(const std::string& text) override {
        std::unique_ptr<Connection> adapter;
        if (IsFirebirdConnectionText(text))
            adapter = std::make_unique<FirebirdConnection>(firebird_);
        else
            adapter = std::make_unique<OdbcConnection>();
        if (cursorLocation_) adapter->setCursorLocation(*cursorLocation_);
        if (commandTimeout_) adapter->setCommandTimeout(*commandTimeout_);
        if (connectionTimeout_) adapter->setConnectionTimeout(*connectionTimeout_);
        adapter->open(text);
        adapter_ = std::move(adapter);
    }
    void execute(const std::string& sql) override { opened().execute(sql); }
    void executeWith(const std::string& sql, const std::vector<Value>& parameters) override {
        opened().executeWith(sql, parameters);
    }
    void beginTransaction() override { opened().beginTransaction(); }
    void commitTransaction() override { opened().commitTransaction(); }
    std::unique_ptr<Recordset> openSchema(int schema) override { return opened().openSchema(schema); }
    std::unique_ptr<Recordset> openRecordset(const std::string& query, int cursorType, int lockType) override {
        return opened().openRecordset(query, cursorType, lockType);
    }
    void close() override {
        opened().close();
        adapter_.reset();
    }

private:
    template <class F>
    void forward(F&& set, std::optional<int>& kept, int value) {
        kept = value;
        if (adapter_) set(*adapter_);
    }
    Connection& opened() {
        if (!adapter_) throw DatabaseError("Operation is not allowed when the object is closed.");
        return *adapter_;
    }

    Firebird::IMaster* firebird_;
    std::unique_ptr<Connection> adapter_;
    std::optional<int> cursorLocation_, commandTimeout_, connectionTimeout_;
};

}  // namespace

DriversDatabase::DriversDatabase() : firebird_(Firebird::fb_get_master_interface()) {}

std::unique_ptr<Connection> DriversDatabase::createConnection() {
    return std::make_unique<RoutingConnection>(firebird_);
}

}  // namespace tess
