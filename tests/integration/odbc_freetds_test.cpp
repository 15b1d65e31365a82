// With no driver called "SQL Server", connections go through FreeTDS's driver.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "connect/connection_strings.h"
#include "platform/drivers/drivers_database.h"

namespace tess {

extern const char* const kOdbcDriversIni =
    "[FreeTDS]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so\n"
    "[SQLite3]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\n";

namespace {

// A loopback port with nothing listening on it.
int ClosedPort() {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
    close(s);
    return ntohs(a.sin_port);
}

TEST(OdbcFreeTds, AClosedPortFailsQuicklyAndSilently) {
    DriversDatabase db;
    const SqlServerLogin login{"127.0.0.1", std::to_string(ClosedPort()), "master", "sa", "x", false};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(TestSqlServerConnection(db, login));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

    auto c = db.createConnection();
    try {
        c->open(SqlServerConnectionString(login));
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("[08001]"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace tess
