#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/buffered_recordset.h"
#include "platform/odbc/odbc_error.h"
#include "platform/odbc/odbc_block.h"
#include "platform/odbc/odbc_handle.h"

namespace tess {

// Streams the rows of an executed statement through a forward-only cursor, one row in memory.
class OdbcRecordset : public BufferedRecordset<OdbcError> {
public:
    // The tables catalogue's columns are renamed to the ADO schema's names (TABLE_CAT to TABLE_CATALOG...).
    enum Naming { kResultNames, kCatalogueNames };
    OdbcRecordset(OdbcHandle statement, long long recordCount, Naming naming);

    void close() override;
    void cancel() noexcept override;

private:
    bool isOpen() const override;
    void fetch() override;
    void describe(Naming naming);
    Value readColumn(int index);
    std::optional<Value> readFixedWidth(int index);
    Value readInPieces(int index);

    OdbcHandle stmt_;
    std::vector<int> sqlTypes_;
    std::vector<int> scales_;
    std::unique_ptr<OdbcBlock> block_;  // where every column is a number, a decimal or a date
    std::vector<char> scratch_ = std::vector<char>(65536);  // every SQLGetData's buffer
};

}  // namespace tess
