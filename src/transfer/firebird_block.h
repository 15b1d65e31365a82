#pragma once
// The companion's --bulk into Firebird, many rows a round trip. Firebird 3's client has no batch
// interface (that came with Firebird 4), so the rows travel as the input parameters of one
// EXECUTE BLOCK holding an INSERT a row, prepared once per block size and run again and again. The
// engine runs a block as one statement: when it refuses one of the rows, none of the block stands
// and the transaction goes on, so the block can be written again row by row.
#include <string>
#include <vector>

namespace tess {

// The engine's limits on one statement, as its own messages state them: "Too many Contexts of
// Relation/Procedure/Views. Maximum allowed is 256" (each INSERT takes one) and "Maximum number of
// parameters: 32767". Its text may be 64 KB through the old API and before Firebird 3, 10 MB
// through Firebird 3's interfaces, which are ours; a block is kept far below, since the engine
// compiles the whole text before the first row goes.
inline constexpr size_t kFirebirdBlockMostRows = 255;
inline constexpr size_t kFirebirdMostParameters = 32767;
inline constexpr size_t kFirebirdOldMostStatementBytes = 65000;
inline constexpr size_t kFirebirdBlockMostBytes = 1 << 20;
struct FirebirdBlockShape {
    std::string table;                 // as a statement of its database writes it
    std::vector<std::string> columns;  // likewise, in the table's order
};

// "EXECUTE BLOCK (P0 TYPE OF COLUMN T.A = ?, ...) AS BEGIN INSERT INTO T VALUES (:P0, ...); ... END":
// each marker takes its column's very type, so that every value is converted as the marker of the
// one-row INSERT converts it, and a refused block written again row by row gives the same rows.
std::string FirebirdBlockInsert(const FirebirdBlockShape& shape, size_t rows);
// The most rows of a block of this table within `mostBytes` of text and the limits above; a table
// of which fewer than two rows fit is written row by row.
size_t FirebirdBlockRows(const FirebirdBlockShape& shape, size_t mostBytes);

}  // namespace tess
