#include "transfer/firebird_block.h"

#include <algorithm>

namespace tess {

std::string FirebirdBlockInsert(const FirebirdBlockShape& shape, size_t rows) {
    const size_t columns = shape.columns.size();
    std::string s = "EXECUTE BLOCK (";
    for (size_t p = 0; p < rows * columns; ++p) {
        if (p) s += ", ";
        s.append("P").append(std::to_string(p)).append(" TYPE OF COLUMN ").append(shape.table).append(".");
        s.append(shape.columns[p % columns]).append(" = ?");
    }
    s += ") AS BEGIN";
    for (size_t p = 0; p < rows * columns; ++p) {
        if (p % columns == 0) s.append(" INSERT INTO ").append(shape.table).append(" VALUES(");
        s.append(":P").append(std::to_string(p));
        s.append(p % columns + 1 < columns ? ", " : ");");
    }
    return s + " END";
}

size_t FirebirdBlockRows(const FirebirdBlockShape& shape, size_t mostBytes) {
    if (shape.columns.empty()) return 0;
    size_t rows = std::min(kFirebirdBlockMostRows, kFirebirdMostParameters / shape.columns.size());
    // A row's share of the text shrinks the block in proportion until it fits; the numbers of the
    // markers grow shorter with it, so a few rounds end it.
    for (size_t bytes = FirebirdBlockInsert(shape, rows).size(); rows > 1 && bytes > mostBytes;
         bytes = FirebirdBlockInsert(shape, rows).size())
        rows = std::min(rows - 1, rows * mostBytes / bytes);
    return rows > 1 ? rows : 0;
}

}  // namespace tess
