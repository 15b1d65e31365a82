// One huge value, each way: the sources it is copied from, and the companion run in this process
// over the stand-in (SQLite's ODBC driver, as the tests give it NVARCHAR(MAX) as TEXT), so that the
// peak memory printed is the copy's own process.
//   huge_copy source-standin DB MB text|binary [ROWS]   a stand-in table HUGE(ID, BODY) of ROWS
//                                                        rows (one by default), each value MB long
//   huge_copy source-fdb FDB MB text|binary [ROWS]      the same in a new Firebird database
//   huge_copy freetds-send MB                    one text of MB megabytes written through the real
//                                                FreeTDS driver to a listener on 127.0.0.1 (in a
//                                                process of its own); prints peak_kb and ours_kb
//   huge_copy run COMPANION-ARGUMENTS...         tessaline-copy's command; prints the process's
//                                                peak_kb=N and ours_kb=N, the peak of our own heap
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <atomic>
#include <new>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/copy/copy_command.h"
#include "connect/connection_strings.h"
#include "peak_memory.h"
#include "app/copy/console.h"
#include "platform/drivers/drivers_database.h"
#include "platform/odbc/odbc_locale.h"
#include "standin_database.h"
#include "tds_listener.h"
#include "temp_folder.h"

using namespace tess;

// The program's own heap, apart from the drivers': everything allocated through C++'s new in this
// process. SQLite, its ODBC driver and unixODBC allocate with C's malloc, and the Firebird engine
// from pools of its own (its new is its own library's), so what is counted here is ours.
namespace {
std::atomic<long long> liveBytes{0}, peakBytes{0};

void* Counted(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    const long long now = liveBytes += static_cast<long long>(malloc_usable_size(p));
    for (long long peak = peakBytes; now > peak && !peakBytes.compare_exchange_weak(peak, now);) {
    }
    return p;
}

void Uncounted(void* p) noexcept {
    if (!p) return;
    liveBytes -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return Counted(size); }
void* operator new[](std::size_t size) { return Counted(size); }
void operator delete(void* p) noexcept { Uncounted(p); }
void operator delete[](void* p) noexcept { Uncounted(p); }
void operator delete(void* p, std::size_t) noexcept { Uncounted(p); }
void operator delete[](void* p, std::size_t) noexcept { Uncounted(p); }

namespace {

std::string Filled(long long bytes, bool text) {
    std::string value(static_cast<size_t>(bytes), 'x');
    if (!text)
        for (size_t i = 0; i < value.size(); ++i) value[i] = static_cast<char>(i * 131 % 251);
    return value;
}

Value Body(long long bytes, bool text) {
    std::string value = Filled(bytes, text);
    if (text) return value;
    return Bytes(value.begin(), value.end());
}

int SourceStandIn(const std::string& db, long long bytes, bool text, int rows) {
    StandInDatabase database;
    auto c = database.createConnection();
    c->open(SqlServerSettings({"localhost", "1433", db, "sa", "", false}));
    c->execute(std::string("CREATE TABLE HUGE (ID INTEGER, BODY ") + (text ? "TEXT" : "BLOB") + ")");
    const Value body = Body(bytes, text);
    for (int row = 1; row <= rows; ++row) c->executeWith("INSERT INTO HUGE VALUES (" + std::to_string(row) + ", ?)", {body});
    c->close();
    return 0;
}

int SourceFirebird(const std::string& fdb, long long bytes, bool text, int rows) {
    CreateFirebirdDatabase(fdb, "UTF8");
    StandInDatabase database;
    auto c = database.createConnection();
    c->open(FirebirdSettings({fdb, "SYSDBA", "", "UTF8"}));
    c->execute(std::string("CREATE TABLE HUGE (ID INTEGER, BODY BLOB SUB_TYPE ") + (text ? "TEXT" : "BINARY") + ")");
    const Value body = Body(bytes, text);
    for (int row = 1; row <= rows; ++row) c->executeWith("INSERT INTO HUGE VALUES (" + std::to_string(row) + ", ?)", {body});
    c->close();
    return 0;
}

// The program's SQL Server adapter and the real FreeTDS driver: only the listener, which keeps what
// it is sent, lives apart, in a child process whose memory is not counted.
int FreetdsSend(long long bytes) {
    int ports[2];
    if (pipe(ports) != 0) return 1;
    const pid_t listener = fork();
    if (listener == 0) {
        TdsListener served(0, std::chrono::seconds(300), true);
        const int port = served.port();
        if (write(ports[1], &port, sizeof port) != sizeof port) _exit(1);
        for (;;) pause();  // until the parent ends it
    }
    int port = 0;
    if (read(ports[0], &port, sizeof port) != sizeof port) return 1;
    DriversDatabase database;
    auto c = database.createConnection();
    c->setConnectionTimeout(5);
    c->open(SqlServerSettings({"127.0.0.1", std::to_string(port), "Sales", "sa", "pw", false}));
    std::vector<Value> values;
    values.push_back(Body(bytes, true));  // moved in: a list of values would be a copy
    try {
        c->executeWith("INSERT INTO [HUGE] VALUES (?)", values);
    } catch (const DatabaseError&) {  // the listener's bare "done" is not a server's answer
    }
    std::printf("peak_kb=%ld ours_kb=%lld\n", PeakResidentKb(), peakBytes.load() / 1024);
    kill(listener, SIGTERM);
    waitpid(listener, nullptr, 0);
    return 0;
}

int Run(int argc, char** argv) {
    auto parsed = ParseCopyOptions(std::vector<std::string>(argv + 2, argv + argc));
    const auto* options = std::get_if<CopyOptions>(&parsed);
    if (!options) return std::fprintf(stderr, "huge_copy run: %s\n", std::get<UsageError>(parsed).message.c_str()), 2;
    UseUtf8CharacterSet();
    StandInDatabase database;
    Console toolkit(std::cerr, false);
    std::ostringstream out;
    const int status = RunCopyCommand(*options, {}, database, toolkit, out);
    std::cerr << out.str();
    std::printf("status=%d peak_kb=%ld ours_kb=%lld\n", status, PeakResidentKb(), peakBytes.load() / 1024);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if ((mode == "source-standin" || mode == "source-fdb") && argc > 4) {
        const long long bytes = std::atoll(argv[3]) * 1000000;
        const bool text = std::string(argv[4]) == "text";
        const int rows = argc > 5 ? std::atoi(argv[5]) : 1;
        return mode == "source-standin" ? SourceStandIn(argv[2], bytes, text, rows)
                                        : SourceFirebird(argv[2], bytes, text, rows);
    }
    if (mode == "freetds-send" && argc > 2) return FreetdsSend(std::atoll(argv[2]) * 1000000);
    if (mode == "run") return Run(argc, argv);
    std::fprintf(stderr, "usage: huge_copy source-standin|source-fdb DB MB text|binary | run ...\n");
    return 2;
}
