// The blocks of --bulk into Firebird: which marker a blob value takes, and how many rows a block
// holds within the engine's limits.
#include <gtest/gtest.h>

#include "transfer/firebird_block.h"

namespace tess {
namespace {

FirebirdBlockShape MemoShape() {
    FirebirdBlockShape shape;
    shape.table = "MEMO";
    shape.columns = {"ID", "MEMO", "PIC"};
    shape.kinds = {BlockColumn::kPlain, BlockColumn::kTextBlob, BlockColumn::kBinaryBlob};
    shape.markerBytes = {4, 8, 8};
    SizeFirebirdBlockInline(shape);
    return shape;
}

std::string Repeat(const std::string& piece, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; ++i) s += piece;
    return s;
}

// Which marker a value takes: the short one up to its length, the blob past it. Text counts its
// characters (a four-byte one as one), binary its bytes.
TEST(FirebirdBlockValues, AShortValueGoesInTheRowALongOneAsABlob) {
    const FirebirdBlockShape shape = MemoShape();
    const size_t chars = shape.inlineCharacters, bytes = shape.inlineBytes;
    ASSERT_GT(chars, 1u);
    struct Case {
        Value memo, pic;
        bool memoShort, picShort;
    } cases[] = {
        {std::string(chars - 1, 'a'), Bytes(bytes - 1, 0), true, true},
        {std::string(chars, 'a'), Bytes(bytes, 0), true, true},
        {std::string(chars + 1, 'a'), Bytes(bytes + 1, 0), false, false},
        {Repeat("😀", chars), Bytes{}, true, true},
        {Repeat("😀", chars + 1), Bytes{}, false, true},
        {std::string(chars - 1, 'a') + "😀", Null{}, true, true},  // the last character straddles its bytes
        {Null{}, Null{}, true, true},
    };
    for (const Case& c : cases) {
        std::vector<Value> values;
        AppendFirebirdBlockValues(shape, {std::int64_t{7}, c.memo, c.pic}, values);
        ASSERT_EQ(values.size(), 5u);
        EXPECT_EQ(values[0], Value(std::int64_t{7}));
        EXPECT_EQ(values[1], c.memoShort ? c.memo : Value(Null{}));
        EXPECT_EQ(values[2], c.memoShort ? Value(Null{}) : c.memo);
        EXPECT_EQ(values[3], c.picShort ? c.pic : Value(Null{}));
        EXPECT_EQ(values[4], c.picShort ? Value(Null{}) : c.pic);
    }
}

TEST(FirebirdBlockInsert, ABlobColumnTakesAShortMarkerAndItsBlob) {
    const FirebirdBlockShape shape = MemoShape();
    const std::string chars = std::to_string(shape.inlineCharacters), bytes = std::to_string(shape.inlineBytes);
    EXPECT_EQ(FirebirdBlockInsert(shape, 1),
              "EXECUTE BLOCK (P0 TYPE OF COLUMN MEMO.ID = ?, P1 VARCHAR(" + chars +
                  ") CHARACTER SET UTF8 = ?, Q1 TYPE OF COLUMN MEMO.MEMO = ?, P2 VARCHAR(" + bytes +
                  ") CHARACTER SET OCTETS = ?, Q2 TYPE OF COLUMN MEMO.PIC = ?) AS BEGIN INSERT INTO MEMO "
                  "VALUES(:P0, COALESCE(:Q1, :P1), COALESCE(:Q2, :P2)); END");
}

// The engine's request size limit: a block's markers, as it declares them, stay within the budget
// (a UTF8 VARCHAR four bytes a character), and a table without blobs keeps its 255 rows.
TEST(FirebirdBlockRows, TheMessageKeepsWithinTheEnginesLimit) {
    FirebirdBlockShape narrow;
    narrow.table = "T";
    narrow.columns = {"A", "B"};
    narrow.markerBytes = {4, 42};
    EXPECT_EQ(FirebirdBlockRows(narrow, kFirebirdBlockMostBytes), kFirebirdBlockMostRows);
    for (const size_t perRow : {kFirebirdBlockMostMessageBytes / 100 - 1, kFirebirdBlockMostMessageBytes / 100,
                                kFirebirdBlockMostMessageBytes / 100 + 1}) {
        FirebirdBlockShape wide = narrow;
        wide.markerBytes = {4, perRow - 4};
        const size_t rows = FirebirdBlockRows(wide, kFirebirdBlockMostBytes);
        EXPECT_LE(rows * perRow, kFirebirdBlockMostMessageBytes) << perRow;
        EXPECT_GT((rows + 1) * perRow, kFirebirdBlockMostMessageBytes) << perRow;
    }
    const FirebirdBlockShape memo = MemoShape();
    const size_t rowBytes = 4 + 8 + memo.inlineCharacters * 4 + 2 + 8 + memo.inlineBytes + 2;
    EXPECT_LE(FirebirdBlockRows(memo, kFirebirdBlockMostBytes) * rowBytes, kFirebirdBlockMostMessageBytes);
    EXPECT_GE(FirebirdBlockRows(memo, kFirebirdBlockMostBytes), 100u) << "blocks of memo rows stay long";
}

}  // namespace
}  // namespace tess
