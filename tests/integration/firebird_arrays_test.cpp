// Array columns read through the array API and carried as their text.
#include <gtest/gtest.h>
#include <firebird/Interface.h>
#include <ibase.h>

#include <cstring>

#include "connect/connection_strings.h"
#include "platform/drivers/drivers_database.h"
#include "temp_folder.h"

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

}  // namespace
}  // namespace tess
