// Array columns read through the array API and carried as their text.
#include <gtest/gtest.h>

#include <map>
#include <firebird/Interface.h>
#include <ibase.h>

#include <cstring>

#include "connect/connection_strings.h"
#include "platform/drivers/drivers_database.h"
#include "temp_folder.h"
#include "transfer/table_verification.h"

namespace tess {
namespace {

template <class T>
void Put(std::vector<unsigned char>& slice, T value) {
    const size_t at = slice.size();
    slice.resize(at + sizeof value);
    std::memcpy(&slice[at], &value, sizeof value);
}

void PutText(std::vector<unsigned char>& slice, const std::string& text, size_t bytes) {
    const size_t at = slice.size();
    slice.resize(at + bytes, 0);
    std::memcpy(&slice[at], text.data(), text.size());
}

ISC_DATE EncodedDate(int year, int month, int day) {
    return Firebird::fb_get_master_interface()->getUtilInterface()->encodeDate(year, month, day);
}

TEST(FirebirdArrays, EveryElementTypeArrivesAsItsText) {
    TempFolder folder;
    const std::string path = folder.file("arrays.fdb");
    CreateFirebirdDatabase(path, "UTF8");
    DriversDatabase db;
    auto c = db.createConnection();
    c->open(FirebirdSettings({path, "SYSDBA", ""}));
    c->execute("CREATE TABLE T (ID INTEGER, N INTEGER[4], W VARCHAR(15)[1:3], D DATE[2], M SMALLINT[0:1, 1:2], "
               "P NUMERIC(9,2)[2])");
    c->execute("INSERT INTO T (ID) VALUES (1)");
    c->execute("INSERT INTO T (ID) VALUES (2)");

    std::vector<unsigned char> n, w, d, m, p;
    for (int v : {1, 2, 3, -4}) Put<ISC_LONG>(n, v);
    for (const char* v : {"Japanese", "Mandarin", "Zürich \"x\""}) PutText(w, v, 16);
    Put(d, EncodedDate(2014, 5, 20)), Put(d, EncodedDate(1899, 12, 30));
    for (short v : {1, 2, 3, 4}) Put<ISC_SHORT>(m, v);
    for (double v : {12.5, -0.05}) Put(p, v);
    const std::string where = " WHERE ID = 1";
    PutFirebirdArray(path, "T", "N", "UPDATE T SET N = ?" + where, blr_long, 4, {{1, 4}}, n);
    PutFirebirdArray(path, "T", "W", "UPDATE T SET W = ?" + where, blr_cstring, 16, {{1, 3}}, w);
    PutFirebirdArray(path, "T", "D", "UPDATE T SET D = ?" + where, blr_sql_date, 4, {{1, 2}}, d);
    PutFirebirdArray(path, "T", "M", "UPDATE T SET M = ?" + where, blr_short, 2, {{0, 1}, {1, 2}}, m);
    PutFirebirdArray(path, "T", "P", "UPDATE T SET P = ?" + where, blr_double, 8, {{1, 2}}, p);

    auto rows = c->openRecordset("SELECT * FROM T ORDER BY ID");
    for (int i = 1; i < rows->fieldCount(); ++i) EXPECT_EQ(rows->field(i).type, 203) << rows->field(i).name;
    const std::vector<Value> expected = {std::int64_t{1},
                                         std::string("{1,2,3,-4}"),
                                         std::string("{Japanese,Mandarin,\"Zürich \\\"x\\\"\"}"),
                                         std::string("{2014-05-20,1899-12-30}"),
                                         std::string("{{1,2},{3,4}}"),
                                         std::string("{12.50,-0.05}")};
    for (int i = 0; i < rows->fieldCount(); ++i) EXPECT_EQ(rows->value(i), expected[i]) << rows->field(i).name;
    rows->moveNext();
    for (int i = 1; i < rows->fieldCount(); ++i) EXPECT_EQ(rows->value(i), Value{}) << "a null array stays null";
    rows->close();
    c->close();
}

// Text in NONE columns has no declared code page: the one the user names, else the one the column's
// text reads in beyond doubt; a value that leaves a doubt is refused, never read garbled.
TEST(FirebirdNoneText, IsReadInTheCodePageNamedElseGuessed) {
    struct Case {
        const char* hex;
        const char* codePage;
        const char* expected;
        const char* firstNamed = "";  // without a code page: what a refusal must name first
    } cases[] = {
        {"416C6269F1736BB9", "windows-1250", "Albińską"},
        {"E0E1EEF0F2E0F0B3BF", "cp1251", "абортарії"},
        {"C7E980", "windows-1252", "Çé€"},
        {"4372E86D65", "", "Crème", "windows-1252"},  // or Czech "Crčme": refused
        {"C3A9", "", "é"},                              // valid UTF-8: read as UTF-8
        {"416C6269F1736BB9", "", "Albińską", "windows-1250"},    // never "Albiñsk¹"
        {"E0E1EEF0F2E0F0B3BF", "", "абортарії", "windows-1251"},  // Ukrainian in Windows-1251
        {"53747261DF6520352080", "", "Straße 5 €", "windows-1252"},
    };
    TempFolder folder;
    const std::string path = folder.file("none.fdb");
    CreateFirebirdDatabase(path);
    DriversDatabase db;
    auto c = db.createConnection();
    c->open(FirebirdSettings({path, "SYSDBA", ""}));
    c->execute("CREATE TABLE T (ID INTEGER, V VARCHAR(20), B BLOB SUB_TYPE TEXT, A VARCHAR(20)[1:2])");
    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string bytes = std::string("x'") + cases[i].hex + "'";
        c->execute("INSERT INTO T (ID, V, B) VALUES (" + std::to_string(i) + ", CAST(" + bytes +
                   " AS VARCHAR(20) CHARACTER SET NONE), CAST(" + bytes + " AS BLOB SUB_TYPE TEXT CHARACTER SET NONE))");
    }
    c->close();
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::vector<unsigned char> element(42, 0);  // the text, then an empty element
        for (size_t at = 0; cases[i].hex[2 * at]; ++at)
            element[at] = static_cast<unsigned char>(std::stoi(std::string(cases[i].hex + 2 * at, 2), nullptr, 16));
        PutFirebirdArray(path, "T", "A", "UPDATE T SET A = ? WHERE ID = " + std::to_string(i), blr_cstring, 21,
                         {{1, 2}}, element);
    }
    for (size_t i = 0; i < std::size(cases); ++i) {
        FirebirdLogin login{path, "SYSDBA", ""};
        login.noneCodePage = cases[i].codePage;
        c->open(FirebirdSettings(login));
        if (*cases[i].firstNamed) {
            for (const char* column : {"V", "B"}) {
                SCOPED_TRACE(std::string(cases[i].hex) + " " + column);
                try {
                    EXPECT_EQ(c->openRecordset(std::string("SELECT ") + column + " FROM T WHERE ID = " +
                                               std::to_string(i))->value(0),
                              Value(std::string(cases[i].expected)));
                } catch (const DatabaseError& e) {
                    EXPECT_TRUE(e.endsTable()) << e.what();
                    EXPECT_NE(std::string(e.what()).find("column " + std::string(column) + " of character set NONE"),
                              std::string::npos) << e.what();
                    EXPECT_NE(std::string(e.what()).find(std::string("--fb-none-code-page ") + cases[i].firstNamed),
                              std::string::npos) << e.what();
                }
            }
            c->close();
            continue;
        }
        auto rows = c->openRecordset("SELECT V, B, A FROM T WHERE ID = " + std::to_string(i));
        EXPECT_EQ(rows->value(0), Value(std::string(cases[i].expected))) << cases[i].hex << " " << cases[i].codePage;
        EXPECT_EQ(rows->value(1), Value(std::string(cases[i].expected))) << cases[i].hex << " " << cases[i].codePage;
        EXPECT_EQ(rows->value(2), Value("{" + std::string(cases[i].expected) + ",\"\"}")) << cases[i].hex;
        rows->close();
        c->close();
    }
    // A guessed reading is never verified against itself as "identical".
    c->open(FirebirdSettings({path, "SYSDBA", ""}));
    auto other = db.createConnection();
    other->open(FirebirdSettings({path, "SYSDBA", ""}));
    const std::string guessed = "SELECT V FROM T WHERE ID = 7";  // "Straße 5 €", read as Windows-1252
    try {
        VerifyTable(*c, guessed, *other, guessed, CopyDirection::kToSqlServer, {});
        ADD_FAILURE() << "a guessed reading verified";
    } catch (const ColumnNotComparable& e) {
        EXPECT_NE(std::string(e.what()).find("text in NONE column V of the source was read by a guess"),
                  std::string::npos) << e.what();
    }
    other->close();
    c->close();

    FirebirdLogin unknown{path, "SYSDBA", ""};
    unknown.noneCodePage = "windows-9999";
    try {
        c->open(FirebirdSettings(unknown));
        ADD_FAILURE() << "a code page ICU does not know was taken";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("windows-9999"), std::string::npos) << e.what();
    }
}

// A NONE column's code page is decided from all its rows together, before any is read: Czech names
// in Windows-1250 each read as Western text alone ("Janáèek"); Russian in Windows-1251 beside a
// value that is valid UTF-8 too ("Сё" would read "Ѹ") cannot be told apart. Three words leave a
// doubt: each column is refused whole, naming its right code page first, or read right; with the
// code page named, Czech arrives whole.
TEST(FirebirdNoneText, AColumnIsJudgedByItsRowsTogether) {
    TempFolder folder;
    const std::string path = folder.file("columns.fdb");
    CreateFirebirdDatabase(path);
    DriversDatabase db;
    auto c = db.createConnection();
    c->open(FirebirdSettings({path, "SYSDBA", ""}));
    c->execute("CREATE TABLE T (ID INTEGER, CZECH VARCHAR(20), RUSSIAN VARCHAR(20), FRENCH VARCHAR(20))");
    const char* rows[][3] = {{"4A616EE1E8656B", "D1B8", "4372E86D65"},             // Janáček, Сё, Crème
                             {"4D617274696EF9", "CFF0E8E2E5F2", "6272FB6CE965"},   // Martinů, Привет, brûlée
                             {"44766FF8E16B", "CCE8F0", "43F474E9"}};              // Dvořák, Мир, Côté
    for (int i = 0; i < 3; ++i) {
        std::string values = std::to_string(i);
        for (const char* hex : rows[i]) values += std::string(", CAST(x'") + hex + "' AS VARCHAR(20) CHARACTER SET NONE)";
        c->execute("INSERT INTO T VALUES (" + values + ")");
    }
    c->close();
    const struct {
        const char* column;
        const char* codePage;
        const char* refusal;  // what a refusal must name; null: read
    } cases[] = {
        {"CZECH", "", "--fb-none-code-page windows-1250 "},
        {"RUSSIAN", "", "--fb-none-code-page windows-1251 "},
        {"FRENCH", "", "--fb-none-code-page windows-1252 "},
        {"CZECH", "windows-1250", nullptr},
    };
    const std::map<std::string, std::vector<std::string>> read = {
        {"CZECH", {"Janáček", "Martinů", "Dvořák"}}, {"FRENCH", {"Crème", "brûlée", "Côté"}}};
    for (const auto& k : cases) {
        SCOPED_TRACE(std::string(k.column) + " " + k.codePage);
        FirebirdLogin login{path, "SYSDBA", ""};
        login.noneCodePage = k.codePage;
        c->open(FirebirdSettings(login));
        std::unique_ptr<Recordset> rs;
        try {
            rs = c->openRecordset(std::string("SELECT ") + k.column + " FROM T ORDER BY ID");
        } catch (const DatabaseError& e) {  // before any row is read
            ASSERT_TRUE(k.refusal) << e.what();
            EXPECT_TRUE(e.endsTable());
            EXPECT_NE(std::string(e.what()).find(std::string("column ") + k.column), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(k.refusal), std::string::npos) << e.what();
        }
        if (rs) {  // read: never garbled
            std::vector<std::string> got;
            for (; !rs->eof(); rs->moveNext()) got.push_back(std::get<std::string>(rs->value(0)));
            EXPECT_EQ(got, read.count(k.column) ? read.at(k.column) : std::vector<std::string>{"?"});
            rs->close();
        }
        c->close();
    }
}

}  // namespace
}  // namespace tess
