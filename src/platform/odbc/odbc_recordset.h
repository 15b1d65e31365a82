#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/database.h"
#include "platform/odbc/odbc_block.h"
#include "platform/odbc/odbc_handle.h"

namespace tess {

// Streams the rows of an executed statement through a forward-only cursor, one row in memory.
class OdbcRecordset : public Recordset {
public:
    // The tables catalogue's columns are renamed to the ADO schema's names (TABLE_CAT to TABLE_CATALOG...).
    enum Naming { kResultNames, kCatalogueNames };
    OdbcRecordset(OdbcHandle statement, long long recordCount, Naming naming);

    int fieldCount() const override { return static_cast<int>(fields_.size()); }
    const FieldInfo& field(int index) const override;
    const Value& value(int index) const override;
    long long recordCount() const override { return recordCount_; }
    bool eof() const override { return eof_; }
    void moveNext() override;
    const std::vector<Value>* currentRow() const override { return eof_ ? nullptr : &row_; }
    void close() override;
    void cancel() noexcept override;

private:
    void describe(Naming naming);
    void fetch();
    Value readColumn(int index);
    std::optional<Value> readFixedWidth(int index);
    Value readInPieces(int index);
    void requireOpen() const;

    OdbcHandle stmt_;
    std::vector<FieldInfo> fields_;
    std::vector<int> sqlTypes_;
    std::vector<int> scales_;
    std::unique_ptr<OdbcBlock> block_;  // where every column is a number, a decimal or a date
    std::vector<Value> row_;
    std::vector<char> scratch_ = std::vector<char>(65536);  // every SQLGetData's buffer
    std::u16string wide_;
    long long recordCount_;
    bool eof_ = false;
};

}  // namespace tess
