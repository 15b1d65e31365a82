// Text and values at the edges, against real databases of every default character set, in both
// directions. The SQL Server side is scripted by the fake.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "firebird_target.h"
#include "platform/firebird/fb_inline_blobs.h"
#include "transfer/firebird_block.h"
#include "transfer/firebird_insert.h"
#include "transfer/firebird_mapping.h"

namespace tess {
namespace {

const std::vector<std::string> kTexts = {"plain ASCII", "é ß € –", "日本語", "emoji 😀", "it's"};

class FirebirdCharacterSets : public FirebirdTarget, public testing::WithParamInterface<std::string> {
protected:
    std::string defaultCharacterSet() const override { return GetParam(); }
};

// Every text arrives byte for byte, in columns of every kind we create, and the wide tables that
// Firebird's limits make awkward are created with every row.
TEST_P(FirebirdCharacterSets, TextFromSqlServerArrivesExactly) {
    FakeResult source;
    source.fields = {{"Id", 3, 4, 10, 0},    {"Code", 200, 20, 255, 0},        {"Wide", 202, 20, 255, 0},
                     {"Fixed", 129, 12, 255, 0}, {"Long", 201, 2147483647, 255, 0}, {"V4000", 200, 4000, 255, 0},
                     {"N4000", 202, 4000, 255, 0}, {"V9000", 200, 9000, 255, 0}};
    for (size_t i = 0; i < kTexts.size(); ++i) {
        const std::string& t = kTexts[i];
        source.rows.push_back({std::int64_t(i), t, t, t, t, t + std::string(3990 - t.size(), 'x'), t, t + t});
    }
    sendToFirebird("Texts", source);
    EXPECT_EQ(reports(), "");
    const auto got = rows("SELECT * FROM \"Texts\" ORDER BY \"Id\"");
    ASSERT_EQ(got.size(), source.rows.size());
    for (size_t i = 0; i < got.size(); ++i)
        for (size_t j = 1; j < got[i].size(); ++j)
            EXPECT_EQ(got[i][j], source.rows[i][j]) << GetParam() << " " << source.fields[j].name << " row " << i;

    // Seventeen varchar(255), and a row whose columns only fit once the widest become text BLOBs.
    FakeResult many;
    for (int j = 0; j < 17; ++j) many.fields.push_back({"C" + std::to_string(j), 200, 255, 255, 0});
    many.rows.push_back(std::vector<Value>(17, std::string("日本語 😀")));
    sendToFirebird("Many", many);
    FakeResult wide;
    wide.fields = {{"A", 200, 8000, 255, 0}, {"B", 200, 8000, 255, 0}, {"C", 5, 8, 15, 0}};
    wide.rows.push_back({std::string(8000, 'a'), std::string(7999, 'b') + "€", Floating{1.5, false}});
    sendToFirebird("Wide", wide);
    EXPECT_EQ(reports(), "");
    EXPECT_EQ(rows("SELECT * FROM \"Many\"").at(0), many.rows[0]);
    EXPECT_EQ(rows("SELECT * FROM \"Wide\"").at(0), wide.rows[0]);
}

// The copy's own tables are Unicode wherever the database's character set is not, so columns of
// that character set are tables made elsewhere: the INSERTs that a copy writes are run on one here.
void Insert(Connection& c, const std::string& table, const std::vector<Value>& row) {
    const Statement insert = RenderFirebirdInsert(table, std::vector<bool>(row.size(), false), row);
    if (insert.parameters.empty())
        c.execute(insert.text);
    else
        c.executeWith(insert.text, insert.parameters);
}

// A column of the database's own character set takes what it can hold; a character it cannot
// hold fails its row, and never arrives as "?" or as other characters.
TEST_P(FirebirdCharacterSets, ACharacterTheColumnCannotHoldFailsOnlyItsRow) {
    if (GetParam() == "UTF8") GTEST_SKIP() << "a UTF8 column holds every character";
    auto c = firebird();
    c->execute("CREATE TABLE \"Own\" (\"Id\" INTEGER, \"Name\" VARCHAR(30))");
    const std::vector<std::vector<Value>> sent = {{std::int64_t{1}, std::string("café straße")},
                                                  {std::int64_t{2}, std::string("emoji 😀")}};
    Insert(*c, "Own", sent[0]);
    if (GetParam() == "NONE") {  // bytes: every row arrives as sent
        Insert(*c, "Own", sent[1]);
        EXPECT_EQ(rows("SELECT \"Id\", \"Name\" FROM \"Own\" ORDER BY \"Id\""), sent);
        return;
    }
    try {
        Insert(*c, "Own", sent[1]);
        FAIL() << "the emoji was taken";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("transliterate"), std::string::npos) << e.what();
    }
    EXPECT_EQ(rows("SELECT \"Id\", \"Name\" FROM \"Own\" ORDER BY \"Id\""), std::vector<std::vector<Value>>{sent[0]});
}

// A value too long for a literal travels as a blob parameter, and is converted like a literal.
TEST_P(FirebirdCharacterSets, LongTextIntoAColumnOfTheDatabasesOwnCharacterSet) {
    auto c = firebird();
    c->execute("CREATE TABLE \"OwnBlob\" (\"Id\" INTEGER, \"Body\" BLOB SUB_TYPE TEXT)");
    const std::vector<Value> row = {std::int64_t{1}, std::string(40000, 'x') + "café ÿ"};
    Insert(*c, "OwnBlob", row);
    EXPECT_EQ(rows("SELECT \"Id\", \"Body\" FROM \"OwnBlob\""), std::vector<std::vector<Value>>{row});
}

// Text stored in the database's own character set, and bytes that programs on Windows wrote into
// columns without one, reach the SQL Server statements as the characters they are.
TEST_P(FirebirdCharacterSets, TextToSqlServerKeepsEveryCharacter) {
    auto c = firebird();
    c->execute("CREATE TABLE \"Src\" (ID INTEGER, V VARCHAR(20), C CHAR(6), B BLOB SUB_TYPE TEXT)");
    c->execute("INSERT INTO \"Src\" VALUES (1, 'café ßé', 'café', 'straße ÿ')");
    // Windows-1252, each column read as such beyond doubt ("Mьll" would mix scripts).
    if (GetParam() == "NONE") c->execute("INSERT INTO \"Src\" VALUES (2, x'636166E9', x'4DFC6C6C', x'35208020537472"
                                         "61DF65')");
    c->close();
    select(list2, "Src");
    SendToSqlServer(db, ui, logins, controls(), guard).PushButton4_Click();
    EXPECT_EQ(reports(), "");
    auto inserts = sqlServer.calls("execute INSERT");
    ASSERT_EQ(inserts.size(), GetParam() == "NONE" ? 2u : 1u);
    EXPECT_EQ(sqlServer.calls("execute CREATE"),
              std::vector<std::string>{"execute CREATE TABLE [Src]([ID] INT,[V] NVARCHAR(MAX),[C] NVARCHAR(MAX),"
                                       "[B] NVARCHAR(MAX));"});
    // Through the UTF8 connection every column but those of NONE is Unicode text, text BLOBs too.
    {
        auto rs = firebird()->openRecordset("SELECT V, C, B FROM \"Src\"");
        const bool wide = GetParam() != "NONE";
        EXPECT_EQ(rs->field(0).type, wide ? 202 : 200);
        EXPECT_EQ(rs->field(1).type, wide ? 130 : 129);
        EXPECT_EQ(rs->field(2).type, wide ? 203 : 201);
    }
    // CHAR(6) of NONE counts bytes, of the others characters.
    const std::string padded = GetParam() == "NONE" ? "café " : "café  ";
    EXPECT_EQ(inserts[0], "execute INSERT INTO [Src] VALUES('1', N'café ßé', N'" + padded + "', N'straße ÿ')");
    if (GetParam() == "NONE") {
        EXPECT_EQ(inserts[1], "execute INSERT INTO [Src] VALUES('2', N'café', N'Müll  ', N'5 € Straße')");
    }
}

// Blob values at each edge where they change path: written inside a block's row or as blobs of
// their own, read inside the fetched row or as blobs. Each edge at one byte less, equal and one
// more; four-byte characters, and one straddling the edge; binary with zero bytes; NULL and empty
// (written as NULL, as the windows always wrote it). By each writer, in dialect 3 and 1.
TEST_P(FirebirdCharacterSets, BlobValuesArriveExactlyAtEveryEdgeOfTheirPath) {
    FakeResult source;
    source.fields = {{"ID", 3, 4, 10, 0}, {"MEMO", 201, 2147483647, 255, 0}, {"NOTE", 202, 4000, 255, 0},
                     {"PIC", 205, 2147483647, 255, 0}};
    FirebirdBlockShape block;
    block.columns = {"ID", "MEMO", "NOTE", "PIC"};
    block.kinds = {BlockColumn::kPlain, BlockColumn::kTextBlob, BlockColumn::kTextBlob, BlockColumn::kBinaryBlob};
    block.markerBytes = {4, 8, 8, 8};
    SizeFirebirdBlockInline(block);
    const unsigned read = InlineBlobBytes(4 + 2, 3);  // the row as read: ID, then three blob columns
    for (const size_t edge : {block.inlineCharacters, block.inlineBytes, size_t{read / 4}, size_t{read}})
        for (const size_t length : {edge - 1, edge, edge + 1}) {
            Bytes pic(length, 0);
            for (size_t i = 0; i < length; i += 3) pic[i] = static_cast<unsigned char>(i);
            std::string wide;
            while (wide.size() + 4 <= length) wide += "😀";
            source.rows.push_back({std::int64_t(source.rows.size()), std::string(length, 'm'), wide, pic});
            source.rows.push_back({std::int64_t(source.rows.size()), std::string(length - 1, 'e') + "é",
                                   std::string(length - 2, 'n') + "😀", Null{}});
        }
    source.rows.push_back({std::int64_t(source.rows.size()), Null{}, std::string(), Bytes{}});
    for (const int dialect : {3, 1}) {
        useDatabase("edges" + std::to_string(dialect) + ".fdb", dialect);
        list2.clear();  // the new database's tables: none yet
        sendToFirebird("LITERAL", source);
        sendToFirebird("ONEBYONE", source, true);
        sendToFirebird("BLOCKS", source, true, 4);
        EXPECT_EQ(reports(), "");
        for (const char* table : {"LITERAL", "ONEBYONE", "BLOCKS"}) {
            const auto got = rows(std::string("SELECT * FROM ") + table + " ORDER BY ID");
            ASSERT_EQ(got.size(), source.rows.size()) << table;
            for (size_t i = 0; i < got.size(); ++i)
                for (size_t j = 1; j < 4; ++j) {
                    const Value& sent = source.rows[i][j];
                    const bool none = IsNull(sent) || sent == Value(std::string()) || sent == Value(Bytes{});
                    EXPECT_EQ(got[i][j], none ? Value(Null{}) : sent)
                        << table << " dialect " << dialect << " row " << i << " column " << j;
                }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(DefaultCharacterSet, FirebirdCharacterSets,
                         testing::Values("NONE", "UTF8", "WIN1252", "ISO8859_1"));

using FirebirdEdges = FirebirdTarget;

// A bound text that exactly fills its VARCHAR is taken, by the one-row INSERT and by a block:
// single-byte columns count bytes, UTF8 characters (four bytes each here).
TEST_F(FirebirdEdges, ABoundTextThatFillsItsColumnExactlyIsTaken) {
    auto c = firebird();
    c->execute("CREATE TABLE FULLY (ID INTEGER, W VARCHAR(4) CHARACTER SET WIN1252, U VARCHAR(4) CHARACTER SET UTF8)");
    const std::vector<Value> row{std::int64_t{1}, std::string("éééé"), std::string("😀😀😀😀")};
    c->prepare("INSERT INTO FULLY VALUES (?, ?, ?)")->execute(row);
    FirebirdBlockShape block;
    block.table = "FULLY";
    block.columns = {"ID", "W", "U"};
    std::vector<Value> two = row;
    two[0] = std::int64_t{2};
    two.insert(two.end(), row.begin(), row.end());
    two[3] = std::int64_t{3};
    c->prepare(FirebirdBlockInsert(block, 2))->execute(two);
    c->close();
    const auto got = rows("SELECT W, U FROM FULLY ORDER BY ID");
    ASSERT_EQ(got.size(), 3u);
    for (const auto& r : got) EXPECT_EQ(r, std::vector<Value>(row.begin() + 1, row.end()));
    const std::vector<Value> over{std::int64_t{4}, std::string("ééééé"), std::string("😀")};
    auto again = firebird();
    EXPECT_THROW(again->prepare("INSERT INTO FULLY VALUES (?, ?, ?)")->execute(over), DatabaseError);
    again->close();
}

// A text blob comes inside its row as its UTF-8 bytes. Text of a single-byte set grows when it
// becomes UTF-8 ("é" is one byte of WIN1252, two of UTF-8; "€" three): a value that fits the row
// in its own bytes but not as UTF-8 goes as the blob, whole. Each set at the edge less one, equal
// and more one, in its own bytes and in UTF-8's; and at a third of the row, below which a value is
// cast untested, filled with the set's widest character.
TEST_F(FirebirdEdges, TextBlobsOfEachCharacterSetArriveWholeAtTheRowsEdge) {
    const unsigned edge = InlineBlobBytes(4 + 2, 1);  // the row: ID, then one blob column
    const struct {
        const char* set;
        std::string widest;  // as UTF-8
        size_t ownBytes;     // of the widest in the set
    } sets[] = {{"WIN1252", "€", 1}, {"ISO8859_1", "é", 1}, {"UTF8", "€", 3}};
    for (const auto& s : sets) {
        std::vector<std::string> sent;
        for (const size_t own : {edge - 1, edge, edge + 1}) {
            sent.push_back(std::string(own, 'e'));
            sent.push_back(std::string(own - 1, 'e') + "é");    // one byte more as UTF-8
            sent.push_back(std::string(own - 2, 'e') + "éé");   // two more
        }
        for (const size_t own : {edge / 3 - 1, edge / 3, edge / 3 + 1}) {
            std::string widest;
            for (size_t i = 0; i < own / s.ownBytes; ++i) widest += s.widest;
            sent.push_back(widest);
        }
        const std::string table = std::string("T_") + s.set;
        auto c = firebird();
        c->execute("CREATE TABLE " + table + " (ID INTEGER, M BLOB SUB_TYPE TEXT CHARACTER SET " + s.set + ")");
        auto insert = c->prepare("INSERT INTO " + table + " VALUES (?, ?)");
        for (size_t i = 0; i < sent.size(); ++i) insert->execute({std::int64_t(i), sent[i]});
        insert.reset();
        c->close();
        const auto got = rows("SELECT ID, M FROM " + table + " ORDER BY ID");
        ASSERT_EQ(got.size(), sent.size()) << s.set;
        for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i][1], Value(sent[i])) << s.set << " row " << i;
    }
}

// Floats at the ends of their ranges and the zero date arrive exactly.
TEST_F(FirebirdEdges, FloatExtremesAndTheZeroDateArriveExactly) {
    FakeResult source;
    source.fields = {{"Id", 3, 4, 10, 0}, {"S", 4, 4, 7, 0}, {"D", 5, 8, 15, 0}, {"Day", 133, 6, 255, 0}};
    const std::vector<std::pair<float, double>> values = {
        {FLT_MAX, 1e308}, {-FLT_MAX, DBL_MIN}, {FLT_MIN, 5e-324}, {-0.0f, -0.0}, {1e-45f, DBL_MAX}, {0.1f, 0.1}};
    for (size_t i = 0; i < values.size(); ++i)
        source.rows.push_back({std::int64_t(i), Floating{values[i].first, true}, Floating{values[i].second, false},
                               DateTime{1899, 12, 30, 0, 0, 0, 0}});
    sendToFirebird("Edges", source);
    EXPECT_EQ(reports(), "");
    const auto got = rows("SELECT * FROM \"Edges\" ORDER BY \"Id\"");
    ASSERT_EQ(got.size(), values.size());
    for (size_t i = 0; i < got.size(); ++i) {
        const auto s = std::get<Floating>(got[i][1]).value, d = std::get<Floating>(got[i][2]).value;
        EXPECT_EQ(static_cast<float>(s), values[i].first) << i;
        EXPECT_EQ(std::signbit(s), std::signbit(values[i].first)) << i;
        EXPECT_EQ(d, values[i].second) << i;
        EXPECT_EQ(std::signbit(d), std::signbit(values[i].second)) << i;
        EXPECT_EQ(got[i][3], (Value{DateTime{1899, 12, 30, 0, 0, 0, 0}})) << i;
    }
}

// The record estimate agrees with the engine on both sides of its limit.
TEST_F(FirebirdEdges, TheRecordEstimateFollowsTheEngine) {
    auto c = firebird();  // default character set NONE: a VARCHAR(n) takes n + 2 bytes
    const FirebirdColumnStorage v1{32766, 2}, v2{32758, 2};
    EXPECT_GT(FirebirdRecordBytes({v1, v2, {8, 8}}), kFirebirdMaxRecordBytes);
    EXPECT_THROW(c->execute("CREATE TABLE R1 (A VARCHAR(32764), B VARCHAR(32756), C DOUBLE PRECISION)"), DatabaseError);
    EXPECT_LE(FirebirdRecordBytes({v1, v2, {4, 4}}), kFirebirdMaxRecordBytes);
    EXPECT_NO_THROW(c->execute("CREATE TABLE R2 (A VARCHAR(32764), B VARCHAR(32756), C INTEGER)"));
}

// A name longer than Firebird takes is one report for its table; the next table still goes.
TEST_F(FirebirdEdges, ATooLongNameIsOneReport) {
    FakeResult source;
    source.fields = {{"Id", 3, 4, 10, 0}};
    source.rows = {{std::int64_t{1}}, {std::int64_t{2}}};
    sendToFirebird("A_table_name_of_thirty_two_bytes", source);
    ASSERT_EQ(ui.boxes.size(), 1u) << reports();
    EXPECT_NE(ui.boxes[0].text.find("at most 31 bytes"), std::string::npos) << reports();
    EXPECT_TRUE(list2.items().empty());
    sendToFirebird("Short", source);
    EXPECT_EQ(rows("SELECT * FROM \"Short\"").size(), 2u);
}

}  // namespace
}  // namespace tess
