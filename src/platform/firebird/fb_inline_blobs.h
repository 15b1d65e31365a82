#pragma once
// Short blob values read inside their rows. A blob read as itself costs round trips of its own
// (open, segments, close) outside the batched fetch of the rows, so across a network a table of
// memo columns crawls. Firebird 3's protocol has no inline blobs (they came with 5.0.3), so the
// query asks the engine for each blob column twice: as a VARCHAR where the value is short enough,
// which travels in the row, and as the blob only where it is longer.
#include <string>
#include <vector>

#include "platform/firebird/fb_types.h"

namespace tess {

// The engine refuses a statement whose request would pass about 10 MB ("request size limit
// exceeded": seen at 319 outputs of VARCHAR(32765), 10,452,673 bytes, and at 320 such inputs of an
// EXECUTE BLOCK). The row of the read is kept far below, so that the client's batch of rows a
// round trip (sized by the message's declared length) stays large.
// A blob's segment: its length is 16 bits in the API and on the wire.
inline constexpr unsigned kFirebirdLongestSegment = 65535;
// The longest VARCHAR, in bytes.
inline constexpr unsigned kFirebirdLongestVarcharBytes = 32765;
// A row's bytes of inline values, shared among its blob columns; each column gets at least the
// least share, at most the longest VARCHAR. The client asks for as many rows a round trip as fit
// 1 MB of the message's declared length, at most 1,000 (remote/remote.cpp,
// REMOTE_compute_batch_size, with MAX_BATCH_CACHE_SIZE in remote/remote.h): 4 KB of inline values
// make batches of about 250 rows, where 16 KB made 64.
inline constexpr unsigned kInlineRowBytes = 4096;
inline constexpr unsigned kInlineLeastBytes = 256;

// How one blob column travels: values of up to `longest` bytes (as the blob holds them) come inside
// the row, cast to `castType`.
struct InlineBlobColumn {
    size_t index = 0;  // of the column in the query's own outputs
    unsigned longest = 0;
    std::string castType;
    bool throughUtf8 = false;  // text converted to UTF8 first, then carried as its bytes
};

// The share of the row's inline bytes each blob column gets, after the columns that are no blob.
unsigned InlineBlobBytes(unsigned otherColumnsBytes, size_t blobColumns);

// The inline form of each blob column among `shapes` (arrays excluded by the caller), at `bytes`.
std::vector<InlineBlobColumn> InlineBlobColumns(const std::vector<FirebirdColumnShape>& shapes,
                                                const std::vector<bool>& isBlob, unsigned bytes);

// `query`, of `columns` outputs, wrapped: its outputs in order, each blob column as three: the short value as a
// VARCHAR (null where the value is null or long), the blob (null where it is null or short), and the value's
// length in its own bytes (read only with the blob: asking the blob would cost a round trip).
std::string InlineBlobQuery(const std::string& query, size_t columns, const std::vector<InlineBlobColumn>& blobs);

}  // namespace tess
