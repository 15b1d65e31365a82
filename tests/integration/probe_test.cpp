#include <gtest/gtest.h>
#include <iostream>
#include <cfloat>
#include <cmath>
#include <charconv>
#include "connect/connection_strings.h"
#include "platform/drivers/drivers_database.h"
#include "temp_folder.h"
namespace tess {
std::string S(double v, bool single) { char b[64]; auto r = single ? std::to_chars(b, b+64, (float)v) : std::to_chars(b, b+64, v); return std::string(b, r.ptr); }
TEST(Probe, Floats) {
    TempFolder f; auto path = f.file("p.fdb"); CreateFirebirdDatabase(path, "UTF8");
    DriversDatabase db; auto c = db.createConnection(); c->open(FirebirdConnectionString({path, "SYSDBA", ""}));
    c->execute("CREATE TABLE T (F FLOAT, D DOUBLE PRECISION)");
    for (double v : {1e308, DBL_MAX, DBL_MIN, 5e-324, 1e-310, 1e-300, 1e-307, 2.3e-308, 1e-200, 1e300, 1e-308, 1.5e-308,-0.0, 0.1}) {
        try { c->execute("INSERT INTO T (D) VALUES (" + S(v,false) + ")"); auto rs = c->openRecordset("SELECT D FROM T"); } catch (std::exception& e) { std::cout << "D " << S(v,false) << " refused\n"; }
        c->execute("DELETE FROM T");
    }
    for (float v : {FLT_MAX, FLT_MIN, 1e-45f, 1e-40f, 3.4e38f, 1e38f, 1.17e-38f, 1e-38f, -0.0f}) {
        try { c->execute("INSERT INTO T (F) VALUES (" + S(v,true) + ")"); } catch (std::exception& e) { std::cout << "F " << S(v,true) << " refused\n"; }
    }
    c->execute("INSERT INTO T (D) VALUES (-0.0)");
    auto rs = c->openRecordset("SELECT D FROM T WHERE D IS NOT NULL");
    if (!rs->eof()) { auto d = std::get<Floating>(rs->value(0)).value; std::cout << "neg zero sign " << std::signbit(d) << "\n"; }
    for (const char* t : {"'12/30/1899'", "'12/30/1899 00:00:00'", "'1899-12-30'"}) {
      try { c->execute("CREATE TABLE Z (D DATE)"); } catch (...) {}
      try { c->execute(std::string("INSERT INTO Z VALUES (") + t + ")"); std::cout << "date ok " << t << "\n"; } catch (std::exception& e) { std::cout << "date refused " << t << ": " << e.what() << "\n"; }
    }
}
}
