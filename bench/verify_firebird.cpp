// Verifies a Firebird table against itself through two connections, as `tessaline-copy verify`
// compares a table with its copy, and reports rows per second and the peak resident memory. Run by
// bench/run at two sizes on tables that read_firebird fills: memory must not grow with the rows.
#include <chrono>
#include <cstdio>
#include <string>

#include "connect/connection_strings.h"
#include "peak_memory.h"
#include "platform/drivers/drivers_database.h"
#include "transfer/table_verification.h"

using namespace tess;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: verify_firebird PATH SPILL_FOLDER\n");
        return 2;
    }
    DriversDatabase db;
    const FirebirdLogin login{argv[1], "SYSDBA", ""};
    auto source = db.createConnection(), target = db.createConnection();
    source->open(FirebirdSettings(login));
    target->open(FirebirdSettings(login));
    VerificationOptions options;
    options.spillFolder = argv[2];
    const auto start = std::chrono::steady_clock::now();
    const VerificationResult r = VerifyTable(*source, "SELECT * FROM MIXED", *target, "SELECT * FROM MIXED",
                                             CopyDirection::kToSqlServer, options);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("rows=%lld identical=%d seconds=%.2f rows_per_s=%.0f peak_kb=%ld\n", r.sourceRows, r.identical(),
                seconds, 2 * r.sourceRows / seconds, PeakResidentKb());
    return r.identical() ? 0 : 1;
}
