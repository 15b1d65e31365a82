#include "fakes/fake_database.h"

#include <algorithm>

#include "transfer/value_text.h"

namespace tess {
namespace {

class FakeRecordset : public Recordset {
public:
    FakeRecordset(FakeDatabase& db, FakeResult result) : db_(db), result_(std::move(result)) {}
    int fieldCount() const override { return static_cast<int>(result_.fields.size()); }
    const FieldInfo& field(int index) const override { return result_.fields.at(index); }
    const Value& value(int index) const override {
        if (closed_) throw FakeDatabaseError("Operation is not allowed when the object is closed.");
        if (eof()) throw FakeDatabaseError("Either BOF or EOF is True, or the current record has been deleted.");
        const auto& bad = result_.unreadableRows;
        if (std::find(bad.begin(), bad.end(), row_) != bad.end())
            throw FakeDatabaseError("Conversion failed when converting the varchar value.");
        return result_.rows[row_].at(index);
    }
    long long recordCount() const override {
        return result_.recordCount == -2 ? static_cast<long long>(result_.rows.size()) : result_.recordCount;
    }
    bool eof() const override { return row_ >= result_.rows.size(); }
    void moveNext() override {
        db_.call("movenext");
        if (eof()) throw FakeDatabaseError("Either BOF or EOF is True, or the current record has been deleted.");
        ++row_;
    }
    void close() override {
        db_.call("recordset close");
        closed_ = true;
    }

private:
    FakeDatabase& db_;
    FakeResult result_;
    size_t row_ = 0;
    bool closed_ = false;
};

class FakeConnection : public Connection {
public:
    explicit FakeConnection(FakeDatabase& db) : db_(db) {}
    void setCursorLocation(int location) override { db_.call("CursorLocation " + std::to_string(location)); }
    void setCommandTimeout(int seconds) override { db_.call("CommandTimeout " + std::to_string(seconds)); }
    void setConnectionTimeout(int seconds) override { db_.call("ConnectionTimeout " + std::to_string(seconds)); }
    void open(const ConnectionSettings& settings) override {
        text_ = settings.text;
        db_.call("open " + settings.text);
        db_.opened.push_back(settings);
        open_ = true;
    }
    void execute(const std::string& sql) override {
        requireOpen();
        db_.call("execute " + sql);
        db_.created(sql);
    }
    void executeWith(const std::string& sql, const std::vector<Value>& parameters) override {
        requireOpen();
        db_.call("execute " + sql);
        db_.parameters.push_back(parameters);
    }
    void beginTransaction() override {
        requireOpen();
        db_.call("begin");
    }
    void commitTransaction() override {
        requireOpen();
        db_.call("commit");
    }
    void rollbackTransaction() override {
        requireOpen();
        db_.call("rollback");
    }
    // Each run is logged as "run " + the statement + " with " + the values' texts joined by "|".
    std::unique_ptr<PreparedStatement> prepare(const std::string& sql) override {
        requireOpen();
        db_.call("prepare " + sql);
        struct Prepared : PreparedStatement {
            FakeDatabase& db;
            std::string sql;
            Prepared(FakeDatabase& d, std::string s) : db(d), sql(std::move(s)) {}
            void execute(const std::vector<Value>& parameters) override {
                std::string line = "run " + sql + " with ";
                for (size_t i = 0; i < parameters.size(); ++i)
                    line += (i ? "|" : "") + (IsNull(parameters[i]) ? std::string("NULL") : ValueText(parameters[i]));
                db.parameters.push_back(parameters);
                db.call(line);
            }
        };
        return std::make_unique<Prepared>(db_, sql);
    }
    std::unique_ptr<Recordset> openSchema(int schema) override {
        requireOpen();
        db_.call("schema " + std::to_string(schema));
        return std::make_unique<FakeRecordset>(db_, db_.catalogueWithCreated());
    }
    // Served from `results` under "catalogue N schema.table".
    std::unique_ptr<Recordset> openCatalogue(int schema, const std::string& owner, const std::string& table) override {
        requireOpen();
        const std::string key = "catalogue " + std::to_string(schema) + " " + owner + "." + table;
        db_.call(key);
        auto it = db_.results.find(key);
        if (it == db_.results.end()) throw FakeDatabaseError("No catalogue rows for " + key);
        return std::make_unique<FakeRecordset>(db_, it->second);
    }
    std::unique_ptr<Recordset> openRecordset(const std::string& query, int, int) override {
        requireOpen();
        db_.call("query " + query);
        auto it = db_.results.find(query);
        if (it != db_.results.end()) return std::make_unique<FakeRecordset>(db_, it->second);
        for (const auto& [texts, result] : db_.resultsContaining)
            if (std::all_of(texts.begin(), texts.end(),
                            [&](const std::string& text) { return query.find(text) != std::string::npos; }))
                return std::make_unique<FakeRecordset>(db_, result);
        throw FakeDatabaseError("Invalid object name in " + query);
    }
    // The rows of the query's scripted result (its recordCount where one is scripted); not logged.
    long long countRows(const std::string& query) override {
        requireOpen();
        auto it = db_.results.find(query);
        if (it == db_.results.end()) return -1;
        const FakeResult& r = it->second;
        return r.recordCount == -2 ? static_cast<long long>(r.rows.size()) : r.recordCount;
    }
    // Logged and looked up as "<query> with <each value's text, joined by |>".
    std::unique_ptr<Recordset> openRecordsetWith(const std::string& query,
                                                 const std::vector<Value>& parameters) override {
        std::string values;
        for (const auto& v : parameters) {
            const auto* text = std::get_if<std::string>(&v);
            const auto* number = std::get_if<std::int64_t>(&v);
            values += (values.empty() ? "" : "|") + (text ? *text : number ? std::to_string(*number) : "NULL");
        }
        return openRecordset(query + " with " + values, kOpenForwardOnly, kLockReadOnly);
    }
    void close() override {
        requireOpen();
        db_.call("close");
        open_ = false;
    }
    void cancel() noexcept override { db_.cancel(text_); }

private:
    std::string text_;  // what it was opened with
    void requireOpen() const {
        if (!open_) throw FakeDatabaseError("Operation is not allowed when the object is closed.");
    }
    FakeDatabase& db_;
    bool open_ = false;
};

}  // namespace

std::unique_ptr<Connection> FakeDatabase::createConnection() {
    call("create");
    ++connectionsCreated;
    return std::make_unique<FakeConnection>(*this);
}

void FakeDatabase::failOn(const std::string& prefix, const std::string& message, int times, bool connectionLost) {
    DatabaseError::Details details;
    details.connectionLost = connectionLost;
    failOn(prefix, message, details, times);
}

void FakeDatabase::failOn(const std::string& prefix, const std::string& message, DatabaseError::Details details,
                          int times) {
    std::lock_guard lock(mutex_);
    failures_.push_back({prefix, message, times, std::move(details)});
}

void FakeDatabase::blockOn(const std::string& prefix) {
    std::lock_guard lock(mutex_);
    blockOn_.push_back(prefix);
}

bool FakeDatabase::waitUntilBlocked() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return blocked_; });
}

void FakeDatabase::holdOn(const std::string& prefix) {
    std::lock_guard lock(mutex_);
    holdOn_ = prefix;
}

bool FakeDatabase::waitUntilHeld() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return held_ != Held::kNone; });
}

bool FakeDatabase::release() {
    if (!waitUntilHeld()) return false;
    std::unique_lock lock(mutex_);
    if (held_ == Held::kWaiting) held_ = Held::kReleased;
    changed_.notify_all();
    return changed_.wait_for(lock, std::chrono::minutes(1), [&] { return held_ == Held::kOut; });
}

void FakeDatabase::cancel(const std::string& connection) noexcept {
    std::lock_guard lock(mutex_);
    ++cancels;
    try {
        cancelled.push_back(connection);
    } catch (...) {  // a test's record, never worth ending the process for
    }
    changed_.notify_all();
}

void FakeDatabase::call(const std::string& line) {
    if (onCall) onCall(line);
    std::unique_lock lock(mutex_);
    log.push_back(line);
    if (!holdOn_.empty() && line.rfind(holdOn_, 0) == 0) {
        holdOn_.clear();
        held_ = Held::kWaiting;
        changed_.notify_all();
        changed_.wait(lock, [&] { return held_ == Held::kReleased; });  // a cancel changes nothing
        held_ = Held::kOut;
        changed_.notify_all();
        throw FakeDatabaseError("the held call was let go");
    }
    const auto blocking =
        std::find_if(blockOn_.begin(), blockOn_.end(), [&](const std::string& p) { return line.rfind(p, 0) == 0; });
    if (blocking != blockOn_.end()) {
        blockOn_.erase(blocking);
        blocked_ = true;
        const int before = cancels;
        changed_.notify_all();
        if (!changed_.wait_for(lock, std::chrono::minutes(1), [&] { return cancels > before; }))
            throw FakeDatabaseError("the blocked call was never cancelled");
        DatabaseError::Details cancelled;
        cancelled.cancelled = true;
        throw FakeDatabaseError("Operation cancelled", cancelled);
    }
    for (auto& f : failures_) {
        if (f.times != 0 && line.rfind(f.prefix, 0) == 0) {
            if (f.times > 0) --f.times;
            throw FakeDatabaseError(f.message, f.details);
        }
    }
}

std::vector<std::string> FakeDatabase::calls(const std::string& prefix) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    for (const auto& line : log)
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    return out;
}

// A table a CREATE TABLE made is in the catalogue from then on, as a database's would be.
void FakeDatabase::created(const std::string& sql) {
    const std::string create = "CREATE TABLE ";
    if (sql.rfind(create, 0) != 0 || sql.size() <= create.size()) return;
    const char open = sql[create.size()];
    const char close = open == '[' ? ']' : open == '"' ? '"' : ' ';
    size_t from = create.size() + (close == ' ' ? 0 : 1);
    if (close == ']') {  // [schema].[table]: the last bracketed part before the column list
        const size_t list = sql.find(" (");
        const size_t last = sql.rfind('[', list);
        if (last != std::string::npos && last >= from) from = last + 1;
    }
    const size_t end = sql.find(close, from);
    if (end == std::string::npos) return;
    std::lock_guard lock(mutex_);
    createdTables_.push_back(sql.substr(from, end - from));
}

void FakeDatabase::forget(const std::string& table) {
    std::lock_guard lock(mutex_);
    createdTables_.erase(std::remove(createdTables_.begin(), createdTables_.end(), table), createdTables_.end());
}

FakeResult FakeDatabase::catalogueWithCreated() const {
    std::lock_guard lock(mutex_);
    FakeResult all = catalogue;
    for (const auto& name : createdTables_) all.rows.push_back({Null{}, std::string("dbo"), name, std::string("TABLE")});
    return all;
}

FakeResult FakeDatabase::Numbered(int count) {
    FakeResult r;
    r.fields = {{"ID", 3, 4, 10, 0}};
    for (int i = 1; i <= count; ++i) r.rows.push_back({std::int64_t{i}});
    return r;
}

FakeResult FakeDatabase::Catalogue(const std::vector<std::pair<std::string, std::string>>& nameAndType) {
    FakeResult r;
    r.fields = {{"TABLE_CATALOG", 202}, {"TABLE_SCHEMA", 202}, {"TABLE_NAME", 202}, {"TABLE_TYPE", 202}};
    for (const auto& [name, type] : nameAndType) r.rows.push_back({Null{}, std::string("dbo"), name, type});
    return r;
}

}  // namespace tess
