#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/firebird/fb_session.h"
#include "platform/firebird/fb_types.h"

namespace tess {

// Rows of one query through a forward-only cursor, one row in memory. Members end in reverse order:
// cursor, statement, then the read transaction, and the attachment only with the last user of it. The count and the rows come
// from one read-only snapshot, so the count matches the rows read.
class FirebirdRecordset : public Recordset {
public:
    FirebirdRecordset(std::shared_ptr<FirebirdSession> session, const std::string& query);

    int fieldCount() const override { return static_cast<int>(fields_.size()); }
    const FieldInfo& field(int index) const override { return fields_.at(index); }
    const Value& value(int index) const override;
    long long recordCount() const override { return recordCount_; }
    bool eof() const override { return eof_; }
    void moveNext() override;
    const std::vector<Value>* currentRow() const override { return eof_ ? nullptr : &row_; }
    void close() override;
    void cancel() noexcept override { CancelFirebirdCall(*session_); }

private:
    struct Column {
        FirebirdColumnShape shape;
        unsigned offset = 0, nullOffset = 0;
    };

    void describe();
    void fetch();
    Value decode(const Column& column);
    std::string readBlob(const ISC_QUAD& id);
    long long scalar(const std::string& query);
    unsigned bytesPerCharacter(unsigned charSet);
    void requireOpen() const;

    std::shared_ptr<FirebirdSession> session_;
    FbHandle<Firebird::ITransaction> transaction_;
    FbHandle<Firebird::IStatement> statement_;
    FbHandle<Firebird::IResultSet> cursor_;
    FbHandle<Firebird::IMessageMetadata> metadata_;
    std::vector<Column> columns_;
    std::vector<FieldInfo> fields_;
    std::vector<unsigned char> buffer_;
    std::vector<Value> row_;
    long long recordCount_ = -1;
    bool eof_ = false;
};

}  // namespace tess
