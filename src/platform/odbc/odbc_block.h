#pragma once
// Rows fetched a block at a time into bound column buffers, where every column of a result is a
// number, a decimal or a date: one SQLFetch for many rows instead of one SQLGetData for every cell.
// Results with text or binary columns keep the cell-by-cell path.
#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/value.h"

namespace tess {

class OdbcBlock {
public:
    // Binds the columns and sets the block size; nothing when a column is not of those kinds or the
    // driver takes no block.
    static std::unique_ptr<OdbcBlock> Bind(SQLHSTMT stmt, const std::vector<int>& sqlTypes,
                                           const std::vector<int>& scales);

    // The next row into `row`; false at the end.
    bool next(std::vector<Value>& row);

private:
    struct Column {
        SQLSMALLINT cType;
        int sqlType;
        int scale;
        SQLLEN width;  // bytes an element
        std::vector<char> data;
        std::vector<SQLLEN> indicators;
    };
    OdbcBlock(SQLHSTMT stmt, std::vector<Column> columns, SQLULEN rows);
    Value decode(size_t column, size_t row);

    SQLHSTMT stmt_;
    std::vector<Column> columns_;
    SQLULEN rows_;
    SQLULEN fetched_ = 0;
    SQLULEN at_ = 0;
    std::vector<SQLUSMALLINT> status_;
};

}  // namespace tess
