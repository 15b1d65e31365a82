#include "transfer/firebird_block.h"

#include <algorithm>
#include <numeric>

namespace tess {

namespace {

BlockColumn KindOf(const FirebirdBlockShape& shape, size_t column) {
    return column < shape.kinds.size() ? shape.kinds[column] : BlockColumn::kPlain;
}

size_t Markers(const FirebirdBlockShape& shape) {
    size_t markers = 0;
    for (size_t c = 0; c < shape.columns.size(); ++c) markers += KindOf(shape, c) == BlockColumn::kPlain ? 1 : 2;
    return markers;
}

// The engine's bytes of one row's markers, a blob column's short marker with its blob's id.
size_t RowMessageBytes(const FirebirdBlockShape& shape) {
    size_t bytes = std::accumulate(shape.markerBytes.begin(), shape.markerBytes.end(), size_t{0});
    for (size_t c = 0; c < shape.columns.size(); ++c) {
        if (KindOf(shape, c) == BlockColumn::kTextBlob) bytes += shape.inlineCharacters * 4 + 2;
        if (KindOf(shape, c) == BlockColumn::kBinaryBlob) bytes += shape.inlineBytes + 2;
    }
    return bytes;
}

// UTF-8's characters: the bytes that begin one.
size_t Characters(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool FitsInline(const FirebirdBlockShape& shape, BlockColumn kind, const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        return kind == BlockColumn::kTextBlob ? Characters(*text) <= shape.inlineCharacters
                                              : text->size() <= shape.inlineBytes;
    if (const auto* bytes = std::get_if<Bytes>(&value))
        return kind == BlockColumn::kBinaryBlob && bytes->size() <= shape.inlineBytes;
    return false;
}

}  // namespace

void SizeFirebirdBlockInline(FirebirdBlockShape& shape) {
    size_t blobs = 0;
    for (size_t c = 0; c < shape.columns.size(); ++c) blobs += KindOf(shape, c) != BlockColumn::kPlain;
    if (blobs == 0) return;
    const size_t others = std::accumulate(shape.markerBytes.begin(), shape.markerBytes.end(), size_t{0});
    const size_t left = others < kFirebirdBlockInlineRowBytes ? kFirebirdBlockInlineRowBytes - others : 0;
    shape.inlineBytes = std::max(kFirebirdBlockInlineLeastBytes, left / blobs - std::min<size_t>(2, left / blobs));
    shape.inlineCharacters = shape.inlineBytes / 4;  // the engine holds four bytes for each
}

std::string FirebirdBlockInsert(const FirebirdBlockShape& shape, size_t rows) {
    const size_t columns = shape.columns.size();
    std::string declared, inserts;
    auto declare = [&](std::string text) { declared += (declared.empty() ? "" : ", ") + text + " = ?"; };
    for (size_t p = 0; p < rows * columns; ++p) {
        const size_t c = p % columns;
        const std::string number = std::to_string(p);
        const std::string ofColumn = " TYPE OF COLUMN " + shape.table + "." + shape.columns[c];
        if (c == 0) inserts.append(" INSERT INTO ").append(shape.table).append(" VALUES(");
        switch (KindOf(shape, c)) {
            case BlockColumn::kPlain:
                declare("P" + number + ofColumn);
                inserts += ":P" + number;
                break;
            case BlockColumn::kTextBlob:
            case BlockColumn::kBinaryBlob: {
                const bool text = KindOf(shape, c) == BlockColumn::kTextBlob;
                declare("P" + number + " VARCHAR(" +
                        std::to_string(text ? shape.inlineCharacters : shape.inlineBytes) +
                        (text ? ") CHARACTER SET UTF8" : ") CHARACTER SET OCTETS"));
                declare("Q" + number + ofColumn);
                inserts += "COALESCE(:Q" + number + ", :P" + number + ")";
                break;
            }
        }
        inserts += c + 1 < columns ? ", " : ");";
    }
    return "EXECUTE BLOCK (" + declared + ") AS BEGIN" + inserts + " END";
}

size_t FirebirdBlockRows(const FirebirdBlockShape& shape, size_t mostBytes) {
    if (shape.columns.empty()) return 0;
    size_t rows = std::min(kFirebirdBlockMostRows, kFirebirdMostParameters / Markers(shape));
    if (const size_t message = RowMessageBytes(shape)) rows = std::min(rows, kFirebirdBlockMostMessageBytes / message);
    // A row's share of the text shrinks the block in proportion until it fits; the numbers of the
    // markers grow shorter with it, so a few rounds end it.
    for (size_t bytes = FirebirdBlockInsert(shape, rows).size(); rows > 1 && bytes > mostBytes;
         bytes = FirebirdBlockInsert(shape, rows).size())
        rows = std::min(rows - 1, rows * mostBytes / bytes);
    return rows > 1 ? rows : 0;
}

void AppendFirebirdBlockValues(const FirebirdBlockShape& shape, std::vector<Value> row, std::vector<Value>& values) {
    for (size_t c = 0; c < row.size(); ++c) {
        const BlockColumn kind = KindOf(shape, c);
        if (kind == BlockColumn::kPlain) {
            values.push_back(std::move(row[c]));
        } else if (IsNull(row[c]) || FitsInline(shape, kind, row[c])) {
            values.push_back(std::move(row[c]));
            values.emplace_back(Null{});
        } else {
            values.emplace_back(Null{});
            values.push_back(std::move(row[c]));
        }
    }
}

}  // namespace tess
