// With no driver called "SQL Server", connections go through FreeTDS's driver.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "catalogue/table_keys.h"
#include "connect/connection_strings.h"
#include "common/text_codec.h"
#include "platform/drivers/drivers_database.h"
#include "tds_listener.h"

#include <thread>

namespace tess {

extern const char* const kOdbcDriversIni =
    "[FreeTDS]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so\n"
    "[SQLite3]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\n";

namespace {

TEST(OdbcFreeTds, AClosedPortFailsQuicklyAndSilently) {
    DriversDatabase db;
    const SqlServerLogin login{"127.0.0.1", std::to_string(FreeLoopbackPort()), "master", "sa", "x", false};
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(TestSqlServerConnection(db, login));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

    auto c = db.createConnection();
    try {
        c->open(SqlServerSettings(login));
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("[08001]"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// What the real FreeTDS driver sends for our connection texts, seen by a listener on loopback.
struct Sent {
    int connections;
    std::vector<Login7> logins;
};

Sent Login(TdsListener& listener, const SqlServerLogin& login) {
    DriversDatabase db;
    auto c = db.createConnection();
    c->setConnectionTimeout(5);
    EXPECT_THROW(c->open(SqlServerSettings(login)), DatabaseError);
    // Any retry is made within open(), and the listener keeps each login before it hangs up on
    // it: by now every attempt is counted.
    return {listener.connections(), listener.logins()};
}

TEST(FreeTdsOnTheWire, UserAndPasswordArriveByteForByteInOneLogin) {
    TdsListener listener;
    const std::string port = std::to_string(listener.port());
    const std::vector<std::pair<std::string, std::string>> credentials = {
        {"sa", "plain"}, {"us;er", "p;w"}, {"{user}", "p}w"}, {"o'neil", "p{w}x"}, {"Jürgen", "pässwörd €"},
        {"u", ""},
    };
    int expected = 0;
    for (const auto& [user, password] : credentials) {
        const Sent sent = Login(listener, {"127.0.0.1", port, "Sales", user, password, false});
        ++expected;
        ASSERT_EQ(sent.connections, expected) << user << ": one attempt, no retry with an older protocol";
        ASSERT_EQ(sent.logins.size(), static_cast<size_t>(expected)) << user;
        const Login7& l = sent.logins.back();
        EXPECT_EQ(l.userName, user);
        EXPECT_EQ(l.password, password) << user;
        EXPECT_EQ(l.database, "Sales");
        EXPECT_EQ(l.tdsVersion >> 24, 0x73u) << std::hex << l.tdsVersion << ": TDS 7.3, pinned";
    }
}

TEST(FreeTdsOnTheWire, TheLocalFormReachesPort1433) {
    std::unique_ptr<TdsListener> listener;
    try {
        listener = std::make_unique<TdsListener>(1433);
    } catch (const std::exception&) {
        GTEST_SKIP() << "127.0.0.1:1433 cannot be bound here; the port rewrite is shown with explicit ports";
    }
    const Sent sent = Login(*listener, {"127.0.0.1", "9", "master", "sa", "pw", true});
    EXPECT_EQ(sent.connections, 1);
    ASSERT_EQ(sent.logins.size(), 1u);
    EXPECT_EQ(sent.logins[0].userName, "sa");
}

TEST(FreeTdsOnTheWire, AnInstanceWithAPortGoesToThatPort) {
    TdsListener listener;
    const Sent sent =
        Login(listener, {"127.0.0.1\\SQLEXPRESS", std::to_string(listener.port()), "master", "sa", "pw", false});
    EXPECT_EQ(sent.connections, 1);
    ASSERT_EQ(sent.logins.size(), 1u);
    EXPECT_EQ(sent.logins[0].password, "pw");
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A server that accepts and then stays silent: the connection gives up within its time-out, with
// the driver's own message.
TEST(FreeTdsOnTheWire, ASilentServerIsGivenUpWithinTheTimeout) {
    SilentListener silent;
    DriversDatabase db;
    auto c = db.createConnection();
    c->setConnectionTimeout(3);
    const auto start = std::chrono::steady_clock::now();
    try {
        c->open(SqlServerSettings({"127.0.0.1", std::to_string(silent.port()), "master", "sa", "pw", false}));
        FAIL() << "no error";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("[HYT00]"), std::string::npos) << e.what();
        EXPECT_TRUE(e.timedOut()) << "HYT00 is a time-out, read from the record's SQLSTATE";
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(silent.connections(), 1);
    EXPECT_LT(seconds, 3 + 3.0);
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A connection through FreeTDS to a listener that lets it in, which keeps what the driver sends.
std::unique_ptr<Connection> OpenOn(Database& db, const TdsListener& listener) {
    auto c = db.createConnection();
    c->setConnectionTimeout(5);
    c->open(SqlServerSettings({"127.0.0.1", std::to_string(listener.port()), "Sales", "sa", "pw", false}));
    return c;
}

// The declarations FreeTDS gives the markers of a prepared INSERT, for one row and for an array of
// rows: each value in its own type, a decimal with its scale and SQL Server's widest precision.
// Binary values travel in arrays too, each row's bytes its own (SQLite's driver, which gives every
// row the first one's length, is the one that sends them a row at a time).
TEST(FreeTdsOnTheWire, EachValueIsDeclaredInItsOwnType) {
    TdsListener listener(0, std::chrono::seconds(30), true);
    DriversDatabase db;
    auto c = OpenOn(db, listener);
    auto insert = c->prepare("INSERT INTO [T] VALUES (?, ?, ?, ?, ?)");
    const std::vector<Value> row = {Decimal{"-12.5000"}, std::int64_t{7}, Floating{0.25}, std::string("zürich"),
                                    Bytes{1, 2}};
    const std::vector<std::vector<Value>> rows = {
        {Decimal{"1.5"}, std::int64_t{1}, Floating{1}, std::string("a"), Bytes{0x01}},
        {Decimal{"-12.5000"}, Null{}, Null{}, Null{}, Null{}},
        {Null{}, std::int64_t{3}, Floating{3}, std::string("c"), Bytes{0xCA, 0xFE, 0xBA, 0xBE, 0x42}},
    };
    // The listener answers "done" where a server answers more: what the driver makes of that is
    // not the question here.
    try {
        insert->execute(row);
    } catch (const DatabaseError&) {
    }
    const size_t afterRow = listener.requests().size();
    auto many = c->prepare("INSERT INTO [U] VALUES (?, ?, ?, ?, ?)");
    try {
        many->executeMany(rows);
    } catch (const DatabaseError&) {
    }
    const auto requests = listener.requests();
    std::string oneRow, array;
    std::vector<std::uint8_t> rowBytes, arrayBytes;
    for (size_t i = 0; i < requests.size(); ++i) {
        (i < afterRow ? oneRow : array) += requests[i].asciiText();
        auto& bytes = i < afterRow ? rowBytes : arrayBytes;
        bytes.insert(bytes.end(), requests[i].payload.begin(), requests[i].payload.end());
    }
    // -12.5000 on the wire: precision 38, scale 4, 17 bytes, sign 0 (negative), 125000 least
    // significant byte first.
    const std::vector<std::uint8_t> minusTwelveAndAHalf = {38, 4, 17, 0, 0x48, 0xE8, 0x01, 0x00};
    EXPECT_NE(oneRow.find("@P1 DECIMAL(38,4),@P2 BIGINT,@P3 FLOAT,@P4 NVARCHAR(MAX),@P5 VARBINARY(MAX)"),
              std::string::npos)
        << oneRow;
    EXPECT_NE(std::search(rowBytes.begin(), rowBytes.end(), minusTwelveAndAHalf.begin(), minusTwelveAndAHalf.end()),
              rowBytes.end())
        << "the decimal's exact digits";
    EXPECT_NE(array.find("@P1 DECIMAL(38,4),@P2 BIGINT,@P3 FLOAT,@P4 NVARCHAR(MAX),@P5 VARBINARY(MAX)"),
              std::string::npos)
        << array;
    // FreeTDS prepares the statement (sp_prepare), then sends every row of the array in one
    // message of as many sp_execute calls: one round trip for the rows.
    EXPECT_EQ(requests.size() - afterRow, 2u);
    // The last row's five bytes whole, with their length, not the first row's one.
    const std::vector<std::uint8_t> lastBinary = {5, 0, 0, 0, 0xCA, 0xFE, 0xBA, 0xBE, 0x42};
    EXPECT_NE(std::search(arrayBytes.begin(), arrayBytes.end(), lastBinary.begin(), lastBinary.end()),
              arrayBytes.end())
        << "the binary value of the array's last row";
}

// Past a megabyte a text goes at execution, in pieces (SQLPutData): FreeTDS gathers them and sends
// the whole text, every character in place, declared NVARCHAR(MAX) as a text bound whole is.
TEST(FreeTdsOnTheWire, ATextSentInPiecesArrivesWhole) {
    TdsListener listener(0, std::chrono::seconds(30), true);
    DriversDatabase db;
    auto c = OpenOn(db, listener);
    std::string text = "x";  // so that the first piece's end falls inside a character
    for (int i = 0; i < 150000; ++i) text += "é日😀a";
    try {
        c->executeWith("INSERT INTO [T] VALUES (?)", {text});
    } catch (const DatabaseError&) {  // the listener's bare "done" is not a server's answer
    }
    std::vector<std::uint8_t> sent;
    std::string declared;
    for (const auto& request : listener.requests()) {
        sent.insert(sent.end(), request.payload.begin(), request.payload.end());
        declared += request.asciiText();
    }
    EXPECT_NE(declared.find("@P1 NVARCHAR(MAX)"), std::string::npos) << declared.substr(0, 200);
    const std::u16string wide = Utf8ToUtf16(text);
    std::vector<std::uint8_t> expected;
    for (const char16_t unit : wide) {
        expected.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        expected.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    EXPECT_NE(std::search(sent.begin(), sent.end(), expected.begin(), expected.end()), sent.end())
        << "the text's " << wide.size() << " UTF-16 units in one run, in " << sent.size() << " bytes sent";
}

// A catalogue read hands the table's and schema's names to the server as values of its markers:
// FreeTDS declares them and sends them apart from the text, which never holds them.
TEST(FreeTdsOnTheWire, CatalogueNamesTravelAsValuesNotText) {
    TdsListener listener(0, std::chrono::seconds(30), true);
    DriversDatabase db;
    auto c = OpenOn(db, listener);
    const size_t before = listener.requests().size();
    SqlServerKeyColumns(*c, "sales", "O'Brien");  // the listener's "done" answers no rows
    std::string sent;
    const auto requests = listener.requests();
    for (size_t i = before; i < requests.size(); ++i) sent += requests[i].asciiText();
    EXPECT_NE(sent.find("T.TABLE_SCHEMA = @P1 AND T.TABLE_NAME = @P2"), std::string::npos) << sent;
    EXPECT_NE(sent.find("O'Brien"), std::string::npos) << "the name, as a value: " << sent;
    EXPECT_EQ(sent.find("O''Brien"), std::string::npos) << "no name spliced into the text: " << sent;
}

}  // namespace
}  // namespace tess
