#include "platform/firebird/fb_inline_blobs.h"

#include <ibase.h>

#include <algorithm>

namespace tess {

namespace {

std::string Name(size_t index) { return "C" + std::to_string(index); }

// The VARCHAR a blob column's short values are cast to, and the longest value, in the blob's own
// bytes, that it takes whole. Binary and byte text (NONE, OCTETS) come as their bytes. Text of any
// other character set is described as the attachment's (UTF8), which the engine converts a text
// blob to as it reads it, whatever its own; the cast converts alike. A UTF8 VARCHAR(n) holds n
// characters in 4n bytes, and a value of n bytes has at most n characters.
InlineBlobColumn CastFor(size_t index, const FirebirdColumnShape& shape, unsigned bytes) {
    const std::string length = std::to_string(bytes);
    if (shape.subType != isc_blob_text || shape.charSet == kCsOctets)
        return {index, bytes, "VARCHAR(" + length + ") CHARACTER SET OCTETS"};
    if (shape.charSet == kCsNone) return {index, bytes, "VARCHAR(" + length + ") CHARACTER SET NONE"};
    const unsigned characters = std::max(1u, bytes / 4);
    return {index, characters, "VARCHAR(" + std::to_string(characters) + ") CHARACTER SET UTF8"};
}

}  // namespace

unsigned InlineBlobBytes(unsigned otherColumnsBytes, size_t blobColumns) {
    if (blobColumns == 0) return 0;
    const unsigned left = otherColumnsBytes < kInlineRowBytes ? kInlineRowBytes - otherColumnsBytes : 0;
    const auto share = static_cast<unsigned>(left / blobColumns);
    // Two bytes of each share are the VARCHAR's length.
    return std::clamp(share > 2 ? share - 2 : 0u, kInlineLeastBytes, kFirebirdLongestVarcharBytes);
}

std::vector<InlineBlobColumn> InlineBlobColumns(const std::vector<FirebirdColumnShape>& shapes,
                                                const std::vector<bool>& isBlob, unsigned bytes) {
    std::vector<InlineBlobColumn> blobs;
    for (size_t i = 0; i < shapes.size(); ++i) {
        if (!isBlob[i]) continue;
        blobs.push_back(CastFor(i, shapes[i], bytes));
    }
    return blobs;
}

std::string InlineBlobQuery(const std::string& query, size_t columns, const std::vector<InlineBlobColumn>& blobs) {
    std::string outputs, names;
    auto blob = blobs.begin();
    for (size_t i = 0; i < columns; ++i) {
        const std::string name = Name(i);
        if (i) outputs += ", ", names += ", ";
        names += name;
        if (blob == blobs.end() || blob->index != i) {
            outputs += name;
            continue;
        }
        const std::string longest = std::to_string(blob->longest);
        outputs += "CASE WHEN OCTET_LENGTH(" + name + ") <= " + longest + " THEN CAST(" + name + " AS " + blob->castType +
                   ") END, CASE WHEN OCTET_LENGTH(" + name + ") > " + longest + " THEN " + name + " END";
        ++blob;
    }
    return "SELECT " + outputs + " FROM (" + query + ") TESSALINE_ROWS (" + names + ")";
}

}  // namespace tess
