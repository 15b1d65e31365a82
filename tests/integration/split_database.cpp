#include "split_database.h"

#include "platform/firebird/fb_connection_text.h"

namespace tess {
namespace {

class SplitConnection : public Connection {
public:
    explicit SplitConnection(SplitDatabase& db) : db_(db) {}
    void setCursorLocation(int) override {}
    void setCommandTimeout(int) override {}
    void setConnectionTimeout(int) override {}
    void open(const std::string& text) override {
        chosen_ = IsFirebirdConnectionText(text) ? db_.firebird.createConnection() : db_.sqlServer.createConnection();
        chosen_->open(text);
    }
    void execute(const std::string& sql) override { chosen_->execute(sql); }
    void executeWith(const std::string& sql, const std::vector<Value>& p) override { chosen_->executeWith(sql, p); }
    void beginTransaction() override { chosen_->beginTransaction(); }
    void commitTransaction() override { chosen_->commitTransaction(); }
    std::unique_ptr<Recordset> openSchema(int schema) override { return chosen_->openSchema(schema); }
    std::unique_ptr<Recordset> openRecordset(const std::string& q, int c, int l) override {
        return chosen_->openRecordset(q, c, l);
    }
    void close() override { chosen_->close(); }

private:
    SplitDatabase& db_;
    std::unique_ptr<Connection> chosen_;
};

}  // namespace

std::unique_ptr<Connection> SplitDatabase::createConnection() { return std::make_unique<SplitConnection>(*this); }

}  // namespace tess
