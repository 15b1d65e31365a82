// Reads every row of a Firebird table through the database layer and reports the rows per second
// and the peak resident memory. Run by bench/run at two sizes: memory must not grow with the rows.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "connect/connection_strings.h"
#include "peak_memory.h"
#include "platform/drivers/drivers_database.h"
#include "temp_folder.h"  // CreateFirebirdDatabase

using namespace tess;

namespace {

constexpr const char* kTable =
    "CREATE TABLE %s (ID INTEGER, CODE BIGINT, NAME VARCHAR(60), PRICE NUMERIC(18,4), RATIO DOUBLE PRECISION, "
    "QTY SMALLINT, PLACED TIMESTAMP, DAY_ DATE, FLAG BOOLEAN, NOTE VARCHAR(20))";

std::string Named(const char* text, const std::string& table) {
    std::string s = text;
    return s.replace(s.find("%s"), 2, table);
}

std::string FillBlock(long rows, const std::string& table) {
    return "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < " + std::to_string(rows) +
           ") DO BEGIN INSERT INTO " + table + " VALUES (:I, :I * 1000003, 'name ' || :I || ' é', :I / 7.0, :I / 3.0, "
           "MOD(:I, 30000), DATEADD(:I SECOND TO TIMESTAMP '2014-05-20 10:30:00.1234'), DATE '2014-05-20', "
           "MOD(:I, 2) = 0, NULL); I = I + 1; END END";
}

}  // namespace

// Filling runs in a process of its own, so that the reading process's peak memory is the reader's alone.
int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode != "fill" && mode != "read") {
        std::fprintf(stderr, "usage: read_firebird fill PATH ROWS [TABLE] | read_firebird read PATH [TABLE]\n"
                             "(a server's password from FB_PASSWORD)\n");
        return 2;
    }
    const std::string path = argv[2];
    DriversDatabase db;
    const char* password = std::getenv("FB_PASSWORD");
    const FirebirdLogin login{path, "SYSDBA", password ? password : ""};
    auto c = db.createConnection();
    if (mode == "fill") {
        CreateFirebirdDatabase(path);
        c->open(FirebirdSettings(login));
        const std::string table = argc > 4 ? argv[4] : "MIXED";
        c->execute(Named(kTable, table));
        c->execute(FillBlock(argc > 3 ? std::atol(argv[3]) : 1000000, table));
        c->close();
        return 0;
    }
    c->open(FirebirdSettings(login));
    const long before = PeakResidentKb();
    const auto start = std::chrono::steady_clock::now();
    auto rs = c->openRecordset("SELECT * FROM " + std::string(argc > 3 ? argv[3] : "MIXED"), kOpenStatic,
                               kLockOptimistic);
    const long long counted = rs->recordCount();
    long read = 0;
    for (; !rs->eof(); rs->moveNext()) ++read;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rs->close();
    c->close();
    std::printf("rows=%ld counted=%lld seconds=%.4f rows_per_s=%.0f peak_kb_after_open=%ld peak_kb=%ld\n", read,
                counted, seconds, read / seconds, before, PeakResidentKb());
    return read == counted ? 0 : 1;
}
