#include "platform/firebird/fb_inline_blobs.h"

#include <ibase.h>

#include <algorithm>
#include <utility>

namespace tess {

namespace {

std::string Name(size_t index) { return "C" + std::to_string(index); }

// The VARCHAR a blob column's short values are cast to, and the longest value, in the blob's own
// bytes, that it takes whole. Binary and byte text (NONE, OCTETS) come as their bytes. Text of any
// other character set comes as its UTF-8 bytes: the engine converts a text blob to UTF8 as it casts
// it, whatever its own set, and the UTF8 VARCHAR is then recast to OCTETS of as many bytes. A UTF8
// VARCHAR(n) in the message takes 4n bytes, so read as such a row would hold a quarter of the text
// and the client's batches of rows (sized by the message's declared length) would shrink fourfold.
InlineBlobColumn CastFor(size_t index, const FirebirdColumnShape& shape, unsigned bytes) {
    const std::string length = std::to_string(bytes);
    if (shape.subType != isc_blob_text || shape.charSet == kCsOctets)
        return {index, bytes, "VARCHAR(" + length + ") CHARACTER SET OCTETS", false};
    if (shape.charSet == kCsNone) return {index, bytes, "VARCHAR(" + length + ") CHARACTER SET NONE", false};
    return {index, bytes, "VARCHAR(" + length + ") CHARACTER SET OCTETS", true};
}

// The short value's output and the long value's. Text read through UTF8 can outgrow its own bytes
// (a WIN1252 "é" is two bytes of UTF-8, a "€" three): such a value goes as the blob. No character
// takes more than three times its own bytes as UTF-8, so a value of at most a third of the room in
// its own bytes is cast without the test, which converts it a second time. Each CASE tests before it
// casts, so no cast meets a value too long for it.
std::pair<std::string, std::string> Outputs(const std::string& name, const InlineBlobColumn& blob) {
    const std::string longest = std::to_string(blob.longest);
    const std::string length = "OCTET_LENGTH(" + name + ")";
    if (!blob.throughUtf8)
        return {"CASE WHEN " + length + " <= " + longest + " THEN CAST(" + name + " AS " + blob.castType + ") END",
                "CASE WHEN " + length + " > " + longest + " THEN " + name + " END"};
    const std::string third = std::to_string(blob.longest / 3);
    const std::string utf8 = "CAST(" + name + " AS VARCHAR(" + longest + ") CHARACTER SET UTF8)";
    const std::string asBytes = "CAST(" + utf8 + " AS " + blob.castType + ")";
    const std::string utf8Length = "OCTET_LENGTH(" + utf8 + ")";
    return {"CASE WHEN " + length + " <= " + third + " THEN " + asBytes + " WHEN " + length + " <= " + longest +
                " THEN CASE WHEN " + utf8Length + " <= " + longest + " THEN " + asBytes + " END END",
            "CASE WHEN " + length + " > " + longest + " THEN " + name + " WHEN " + length + " > " + third +
                " THEN CASE WHEN " + utf8Length + " > " + longest + " THEN " + name + " END END"};
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
        const auto [shortValue, longValue] = Outputs(name, *blob);
        outputs += shortValue + ", " + longValue + ", OCTET_LENGTH(" + name + ")";
        ++blob;
    }
    return "SELECT " + outputs + " FROM (" + query + ") TESSALINE_ROWS (" + names + ")";
}

}  // namespace tess
