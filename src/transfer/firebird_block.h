#pragma once
// The companion's --bulk into Firebird, many rows a round trip. Firebird 3's client has no batch
// interface (that came with Firebird 4), so the rows travel as the input parameters of one
// EXECUTE BLOCK holding an INSERT a row, prepared once per block size and run again and again. The
// engine runs a block as one statement: when it refuses one of the rows, none of the block stands
// and the transaction goes on, so the block can be written again row by row.
//
// A blob value bound as a blob is made with round trips of its own (create, segments, close)
// outside the block, so a blob column takes two markers: a VARCHAR for a short value, which
// travels inside the block's message, and the blob for a long one; the INSERT takes whichever is
// not null.
#include <string>
#include <vector>

#include "platform/value.h"

namespace tess {

// The engine's limits on one statement, as its own messages state them: "Too many Contexts of
// Relation/Procedure/Views. Maximum allowed is 256" (each INSERT takes one) and "Maximum number of
// parameters: 32767". Its text may be 64 KB through the old API and before Firebird 3, 10 MB
// through Firebird 3's interfaces, which are ours; a block is kept far below, since the engine
// compiles the whole text before the first row goes. Its input message counts toward "request
// size limit exceeded", seen past 8 MB of markers in a block (1,000 of VARCHAR(8000)): the
// markers of a block are kept within half that, as the engine declares them (a UTF8 VARCHAR(n)
// four bytes a character).
inline constexpr size_t kFirebirdBlockMostRows = 255;
inline constexpr size_t kFirebirdMostParameters = 32767;
inline constexpr size_t kFirebirdOldMostStatementBytes = 65000;
inline constexpr size_t kFirebirdBlockMostBytes = 1 << 20;
inline constexpr size_t kFirebirdBlockMostMessageBytes = 4 << 20;
// A row's bytes of short blob markers, shared among its blob columns (as when reading), at least
// the least share each: a block of one blob column still holds its 255 rows.
inline constexpr size_t kFirebirdBlockInlineRowBytes = 16384;
inline constexpr size_t kFirebirdBlockInlineLeastBytes = 256;

enum class BlockColumn { kPlain, kTextBlob, kBinaryBlob };

struct FirebirdBlockShape {
    std::string table;                 // as a statement of its database writes it
    std::vector<std::string> columns;  // likewise, in the table's order
    // Per column: a blob or not, and the bytes the engine declares for its marker (a blob's id is 8);
    // none given: every column plain.
    std::vector<BlockColumn> kinds;
    std::vector<size_t> markerBytes;
    // The longest short value of a blob column: characters of text (its marker is a UTF8 VARCHAR
    // of so many), bytes of binary.
    size_t inlineCharacters = 0, inlineBytes = 0;
};

// The short markers' lengths of a table's blob columns, from the bytes of its other columns'
// markers; a shape without blob columns is left as it is.
void SizeFirebirdBlockInline(FirebirdBlockShape& shape);

// "EXECUTE BLOCK (P0 TYPE OF COLUMN T.A = ?, ...) AS BEGIN INSERT INTO T VALUES (:P0, ...); ... END":
// each marker takes its column's very type, so that every value is converted as the marker of the
// one-row INSERT converts it, and a refused block written again row by row gives the same rows. A
// blob column: "P1 VARCHAR(n) CHARACTER SET UTF8 = ?, Q1 TYPE OF COLUMN T.M = ?" and COALESCE(:Q1, :P1).
std::string FirebirdBlockInsert(const FirebirdBlockShape& shape, size_t rows);
// The most rows of a block of this table within `mostBytes` of text, its message within
// kFirebirdBlockMostMessageBytes, and the limits above; a table of which fewer than two rows fit
// is written row by row.
size_t FirebirdBlockRows(const FirebirdBlockShape& shape, size_t mostBytes);
// Appends a row's bound values for the block's markers: a blob column's value goes to its short
// marker where it fits, else to its blob marker, the other marker null.
void AppendFirebirdBlockValues(const FirebirdBlockShape& shape, std::vector<Value> row, std::vector<Value>& values);

}  // namespace tess
