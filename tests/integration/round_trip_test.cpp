// A Firebird table to the SQL Server side (SQLite's driver standing in) and back into a second
// Firebird database, compared value by value. The stand-in carries what SQLite can parse: no
// N'...', 0x..., NVARCHAR(MAX) or VARBINARY(MAX), and its NUMERIC is a double; those statements are
// checked against the fake, and those values in transfer_firebird_test. The program's own CREATE
// reaches the stand-in in the types SQLite reads.
#include <gtest/gtest.h>

#include <ibase.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "app/copy/copy_command.h"
#include "common/operation_guard.h"
#include "app/copy/console.h"
#include "connect/connection_strings.h"
#include "fakes/fake_toolkit.h"
#include "fakes/fixed_logins.h"
#include "standin_database.h"
#include "temp_folder.h"
#include "tables/send_to_firebird.h"
#include "tables/send_to_sqlserver.h"
#include "transfer/sqlserver_mapping.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

TEST(RoundTrip, FirebirdToTheStandInAndBack) {
    TempFolder folder;
    StandInDatabase db;
    FixedLogins there, back;
    there.firebird = {folder.file("first.fdb"), "SYSDBA", ""};
    back.firebird = {folder.file("second.fdb"), "SYSDBA", ""};
    there.sqlServer.database = back.sqlServer.database = folder.file("standin.db");
    CreateFirebirdDatabase(there.firebird.database);
    CreateFirebirdDatabase(back.firebird.database);

    const std::string longText = [] {
        std::string s;
        while (s.size() < 500000) s += "line 'with' \"quotes\" and ; semicolons\n";
        return s;
    }();
    {
        auto c = db.createConnection();
        c->open(FirebirdSettings(there.firebird));
        c->execute("CREATE TABLE PEOPLE (ID INTEGER NOT NULL PRIMARY KEY, BIG BIGINT, RATIO DOUBLE PRECISION, PRICE NUMERIC(18,4), "
                   "NAME VARCHAR(40), NOTES BLOB SUB_TYPE TEXT, SEEN TIMESTAMP, BORN DATE, FLAG BOOLEAN, ALARM TIME)");
        c->execute("INSERT INTO PEOPLE VALUES (1, 9223372036854775807, 0.1, 12.3456, 'O''Brien \"x\"', 'n', "
                   "'2014-05-20 13:45:00.1234', '1970-01-01', TRUE, '10:30:00')");
        c->execute("INSERT INTO PEOPLE VALUES (2, -9223372036854775808, -1.5e300, -0.5, ' ', NULL, '1899-12-30 10:00:00', NULL, FALSE, NULL)");
        c->execute("INSERT INTO PEOPLE VALUES (3, 0, NULL, NULL, NULL, NULL, '2000-02-29 00:00:00', '1899-12-30', NULL, '00:00:00')");
        c->executeWith("UPDATE PEOPLE SET NOTES = ? WHERE ID = 3", {longText});
        c->close();
    }


    FakeToolkit ui;
    FakeTableList list1, list2{{"PEOPLE"}};
    FakeProgressBar progress;
    FakeWindow window;
    OperationGuard guard;
    list2.setSelected(0, true);
    list2.setListIndex(0);
    SendToSqlServer(db, ui, there, {list1, list2, progress, window, {}}, guard).PushButton4_Click();
    for (const auto& box : ui.boxes) ADD_FAILURE() << box.text.substr(0, 300);
    ASSERT_EQ(list1.items(), (std::vector<std::string>{"PEOPLE"}));
    list1.setSelected(0, true);
    list1.setListIndex(0);
    FakeTableList backList;
    SendToFirebird(db, ui, back, {list1, backList, progress, window, {}}, guard).PushButton3_Click();
    for (const auto& box : ui.boxes) ADD_FAILURE() << box.text.substr(0, 300);
    ASSERT_EQ(backList.items(), (std::vector<std::string>{"PEOPLE"}));

    // Dates travel as text on the SQL Server side (its columns for them are TEXT) and come back as
    // that text, 30 December 1899 as a date; every other value comes back as itself.
    auto open = [&](const FirebirdLogin& login) {
        auto c = db.createConnection();
        c->open(FirebirdSettings(login));
        return c;
    };
    auto first = open(there.firebird), second = open(back.firebird);
    auto a = first->openRecordset("SELECT * FROM PEOPLE ORDER BY ID", kOpenStatic, kLockReadOnly);
    auto b = second->openRecordset("SELECT * FROM PEOPLE ORDER BY ID", kOpenStatic, kLockReadOnly);
    ASSERT_EQ(a->fieldCount(), b->fieldCount());
    int rows = 0;
    for (; !a->eof(); a->moveNext(), b->moveNext(), ++rows) {
        ASSERT_FALSE(b->eof());
        for (int j = 0; j < a->fieldCount(); ++j) {
            const std::string was = ValueAfterCopyToSqlServer(a->value(j), a->field(j)).value_or("");
            const std::string is = ValueText(b->value(j));
            EXPECT_EQ(was.size(), is.size()) << a->field(j).name << " row " << rows;
            EXPECT_TRUE(was == is) << a->field(j).name << " row " << rows << ": " << was.substr(0, 80) << " / "
                                   << is.substr(0, 80);
        }
    }
    EXPECT_TRUE(b->eof());
    EXPECT_EQ(rows, 3);
    auto dates = second->openRecordset("SELECT BORN, SEEN, ALARM FROM PEOPLE WHERE ID IN (2, 3) ORDER BY ID");
    EXPECT_EQ(dates->value(1), Value(std::string("12/30/1899 10:00:00")));
    dates->moveNext();
    EXPECT_EQ(dates->value(0), Value(std::string("12/30/1899")));
    EXPECT_EQ(dates->value(2), Value(std::string("00:00:00")));

    // The companion's verification: the stand-in's table against its Firebird source.
    auto verify = [&](std::string& printed) {
        std::ostringstream out;
        Console toolkit(out);
        const auto options = std::get<CopyOptions>(ParseCopyOptions(
            {"--fb-database", there.firebird.database, "--fb-user", "SYSDBA", "--ms-server", "localhost",
             "--ms-database", there.sqlServer.database, "verify", "firebird-to-sqlserver", "PEOPLE"}));
        const int status = RunCopyCommand(options, {}, db, toolkit, out);
        printed = out.str();
        return status;
    };
    std::string printed;
    EXPECT_EQ(verify(printed), kExitCopied) << printed;
    EXPECT_NE(printed.find("table PEOPLE: source 3 rows, target 3 rows, matching 3, only in source 0, only in target 0, "
                           "identical"),
              std::string::npos)
        << printed;
    {
        auto c = db.createConnection();
        c->open(SqlServerSettings(there.sqlServer));
        c->execute("UPDATE PEOPLE SET NAME = 'O''Brian \"x\"' WHERE ID = 1");
        c->close();
    }
    EXPECT_EQ(verify(printed), kExitFailed) << printed;
    EXPECT_NE(printed.find("row ID '1' differs: NAME source 'O'Brien \"x\"', target 'O'Brian \"x\"';"),
              std::string::npos)
        << printed;
}

// Firebird's own example database, made by the test from the Debian package's script, with arrays
// filled: to the SQL Server side and back, each hop verified.
TEST(RoundTrip, TheEmployeeExampleWithItsArrays) {
    TempFolder folder;
    StandInDatabase db;
    const std::string first = folder.file("employee.fdb"), second = folder.file("back.fdb"),
                      standIn = folder.file("standin.db");
    const std::string script = folder.file("employee.sql");
    const std::string make = "zcat /usr/share/doc/firebird3.0-common-doc/examples/employee.sql.gz | sed \"s|^create "
                             "database 'employee.fdb';|create database '" + first + "';|\" > " + script +
                             " && isql-fb -q -user SYSDBA -i " + script;
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    CreateFirebirdDatabase(second);
    std::vector<unsigned char> languages;
    for (const char* language : {"Japanese", "Mandarin", "English", "", ""}) {
        const std::string text(language);
        languages.insert(languages.end(), text.begin(), text.end());
        languages.resize(languages.size() + 16 - text.size(), 0);
    }
    PutFirebirdArray(first, "JOB", "LANGUAGE_REQ",
                     "UPDATE JOB SET LANGUAGE_REQ = ? WHERE JOB_CODE = 'Eng' AND JOB_COUNTRY = 'Japan'", blr_cstring,
                     16, {{1, 5}}, languages);
    std::vector<unsigned char> heads;
    for (ISC_LONG n : {1, 2, 0, 3}) heads.insert(heads.end(), reinterpret_cast<unsigned char*>(&n),
                                                 reinterpret_cast<unsigned char*>(&n) + sizeof n);
    PutFirebirdArray(first, "PROJ_DEPT_BUDGET", "QUART_HEAD_CNT",
                     "UPDATE PROJ_DEPT_BUDGET SET QUART_HEAD_CNT = ? WHERE PROJ_ID = 'GUIDE' AND DEPT_NO = '100'",
                     blr_long, 4, {{1, 4}}, heads);

    auto run = [&](const std::string& firebird, std::vector<std::string> words, std::string& printed) {
        std::vector<std::string> args = {"--fb-database", firebird, "--fb-user", "SYSDBA", "--ms-server",
                                         "localhost",     "--ms-database", standIn, "--all"};
        args.insert(args.end(), words.begin(), words.end());
        std::ostringstream out;
        Console toolkit(out);
        const int status = RunCopyCommand(std::get<CopyOptions>(ParseCopyOptions(args)), {}, db, toolkit, out);
        printed = out.str();
        return status;
    };
    std::string printed;
    ASSERT_EQ(run(first, {"send-to-sqlserver"}, printed), kExitCopied) << printed;
    // Every table and the view, each after the tables its foreign keys refer to (DEPARTMENT and
    // EMPLOYEE refer to each other).
    std::vector<std::string> order;
    for (std::istringstream lines(printed); std::getline(lines, printed);)
        if (printed.rfind("table ", 0) == 0) order.push_back(printed.substr(6, printed.find(':') - 6));
    EXPECT_EQ(order.size(), 11u);
    auto at = [&](const char* table) { return std::find(order.begin(), order.end(), table) - order.begin(); };
    const std::pair<const char*, const char*> references[] = {
        {"CUSTOMER", "COUNTRY"}, {"JOB", "COUNTRY"},         {"EMPLOYEE", "JOB"},
        {"PROJECT", "EMPLOYEE"}, {"EMPLOYEE_PROJECT", "PROJECT"}, {"PROJ_DEPT_BUDGET", "DEPARTMENT"},
        {"SALARY_HISTORY", "EMPLOYEE"}, {"SALES", "CUSTOMER"}, {"SALES", "EMPLOYEE"}};
    for (const auto& [table, parent] : references) EXPECT_LT(at(parent), at(table)) << table << " before " << parent;
    EXPECT_EQ(run(first, {"verify", "firebird-to-sqlserver"}, printed), kExitCopied) << printed;
    ASSERT_EQ(run(second, {"send-to-firebird"}, printed), kExitCopied) << printed;
    EXPECT_EQ(run(second, {"verify", "sqlserver-to-firebird"}, printed), kExitCopied) << printed;

    auto c = db.createConnection();
    c->open(FirebirdSettings({second, "SYSDBA", ""}));
    auto job = c->openRecordset("SELECT LANGUAGE_REQ FROM JOB WHERE JOB_CODE = 'Eng' AND JOB_COUNTRY = 'Japan'");
    EXPECT_EQ(ValueText(job->value(0)), "{Japanese,Mandarin,English,\"\",\"\"}");
    auto budget = c->openRecordset("SELECT QUART_HEAD_CNT FROM PROJ_DEPT_BUDGET WHERE PROJ_ID = 'GUIDE' AND "
                                   "DEPT_NO = '100'");
    EXPECT_EQ(ValueText(budget->value(0)), "{1,2,0,3}");
}

}  // namespace
}  // namespace tess
