// --keys against real databases: the stand-in (SQLite's driver, which answers ODBC's catalogue
// calls) with keys of its own into Firebird, and Firebird's EMPLOYEE example out to the stand-in
// and back. SQLite takes no ALTER TABLE … ADD CONSTRAINT: what it refuses there is reported and
// named in the summary, and the texts themselves are checked against the fake.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "app/copy/copy_command.h"
#include "connect/connection_strings.h"
#include "app/copy/console.h"
#include "standin_database.h"
#include "temp_folder.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

struct CompanionRun {
    int status;
    std::string printed;
};

CompanionRun Companion(Database& db, const std::string& firebird, const std::string& standIn, std::vector<std::string> words) {
    std::vector<std::string> args = {"--fb-database", firebird, "--fb-user", "SYSDBA", "--ms-server", "localhost",
                                     "--ms-database", standIn};
    args.insert(args.end(), words.begin(), words.end());
    std::ostringstream out;
    Console toolkit(out);
    const int status = RunCopyCommand(std::get<CopyOptions>(ParseCopyOptions(args)), {}, db, toolkit, out);
    return {status, out.str()};
}

// The rows of a query as text, a line each, values split by "|".
std::string Rows(Connection& c, const std::string& query) {
    std::string text;
    auto rows = c.openRecordset(query);
    for (; !rows->eof(); rows->moveNext()) {
        for (int i = 0; i < rows->fieldCount(); ++i) text += (i ? "|" : "") + ValueText(rows->value(i));
        text += "\n";
    }
    return text;
}

TEST(Keys, TheStandInsKeysArriveInFirebird) {
    TempFolder folder;
    StandInDatabase db;
    const std::string firebird = folder.file("target.fdb"), standIn = folder.file("standin.db");
    CreateFirebirdDatabase(firebird);
    {
        auto c = db.createConnection();
        c->open(SqlServerSettings({"localhost", "1433", standIn, "sa", "", false}));
        // Each table refers to the other: the keys come after both tables' rows.
        c->execute("CREATE TABLE PARENT (ID INTEGER PRIMARY KEY, CODE VARCHAR(10) NOT NULL UNIQUE, "
                   "QTY INTEGER DEFAULT 1, FAVOURITE INTEGER REFERENCES CHILD (ID))");
        c->execute("CREATE TABLE CHILD (ID INT IDENTITY(1,1) NOT NULL PRIMARY KEY, PARENT_ID INTEGER "
                   "REFERENCES PARENT (ID) ON DELETE CASCADE, NAME VARCHAR(30))");
        c->execute("CREATE INDEX CHILD_NAME ON CHILD (NAME DESC)");
        // SQLite tells 'b' from 'b ', Firebird does not: the unique key cannot be made there.
        c->execute("INSERT INTO PARENT VALUES (1, 'a', 5, 12), (2, 'b', 6, 9), (3, 'b ', 7, NULL)");
        c->execute("INSERT INTO CHILD VALUES (7, 1, 'one'), (9, 2, 'two'), (12, 1, 'three')");
        // An identity already at the largest BIGINT cannot continue: said, never wrapped round.
        c->execute("CREATE TABLE TOPMOST (ID BIGINT IDENTITY(1,1) NOT NULL PRIMARY KEY, NAME VARCHAR(10))");
        c->execute("INSERT INTO TOPMOST VALUES (9223372036854775807, 'last')");
    }
    const CompanionRun run = Companion(db, firebird, standIn, {"--all", "--keys", "send-to-firebird"});
    EXPECT_EQ(run.status, kExitFailed) << run.printed;
    EXPECT_NE(run.printed.find("PARENT: unique constraint (CODE) was not made: "), std::string::npos) << run.printed;
    EXPECT_NE(run.printed.find("values held by more than one row (with the number of rows): 'b ', 2"), std::string::npos)
        << run.printed;
    EXPECT_NE(run.printed.find("  REFUSED: unique constraint (CODE)\n"), std::string::npos) << run.printed;
    EXPECT_NE(run.printed.find("table PARENT: read 3, written 3"), std::string::npos) << run.printed;
    EXPECT_NE(run.printed.find("  REFUSED: identity ID, continuing after the largest value\n"), std::string::npos)
        << run.printed;
    const CompanionRun verified = Companion(db, firebird, standIn, {"--all", "--keys", "verify", "sqlserver-to-firebird"});
    EXPECT_EQ(verified.status, kExitFailed);
    EXPECT_NE(verified.printed.find("only in target 0, identical\n  keys: all there\n"), std::string::npos) << verified.printed;
    EXPECT_NE(verified.printed.find("  keys: MISSING unique (CODE)\n"), std::string::npos) << verified.printed;

    auto c = db.createConnection();
    c->open(FirebirdSettings({firebird, "SYSDBA", ""}));
    EXPECT_EQ(Rows(*c, "SELECT TRIM(C.RDB$RELATION_NAME), TRIM(C.RDB$CONSTRAINT_TYPE), TRIM(S.RDB$FIELD_NAME) "
                       "FROM RDB$RELATION_CONSTRAINTS C JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME "
                       "WHERE C.RDB$RELATION_NAME IN ('CHILD', 'PARENT') ORDER BY 1, 2, 3"),
              "CHILD|FOREIGN KEY|PARENT_ID\nCHILD|PRIMARY KEY|ID\nPARENT|FOREIGN KEY|FAVOURITE\nPARENT|PRIMARY KEY|ID\n");
    EXPECT_EQ(Rows(*c, "SELECT TRIM(RDB$DELETE_RULE) FROM RDB$REF_CONSTRAINTS ORDER BY 1"), "CASCADE\nRESTRICT\n");
    EXPECT_EQ(Rows(*c, "SELECT TRIM(I.RDB$INDEX_NAME), TRIM(S.RDB$FIELD_NAME) FROM RDB$INDICES I JOIN RDB$INDEX_SEGMENTS S "
                       "ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME WHERE I.RDB$INDEX_NAME = 'CHILD_NAME'"),
              "CHILD_NAME|NAME\n");
    EXPECT_EQ(Rows(*c, "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE RDB$NULL_FLAG = 1 "
                       "AND RDB$RELATION_NAME IN ('CHILD', 'PARENT') ORDER BY 1"),
              "CODE\nID\nID\n");
    // The identity goes on after the largest copied value; the default fills what an insert leaves.
    c->execute("INSERT INTO CHILD (PARENT_ID, NAME) VALUES (2, 'four')");
    c->execute("INSERT INTO PARENT (ID, CODE) VALUES (4, 'c')");
    EXPECT_EQ(Rows(*c, "SELECT ID FROM CHILD WHERE NAME = 'four'"), "13\n");
    EXPECT_EQ(Rows(*c, "SELECT QTY FROM PARENT WHERE ID = 4"), "1\n");
    c->execute("INSERT INTO TOPMOST (NAME) VALUES ('next')");
    EXPECT_EQ(Rows(*c, "SELECT COUNT(*) FROM TOPMOST WHERE ID < 0"), "0\n") << "no identity wrapped round";
    c->execute("UPDATE PARENT SET FAVOURITE = NULL WHERE ID = 2");
    c->execute("DELETE FROM PARENT WHERE ID = 2");
    EXPECT_EQ(Rows(*c, "SELECT ID FROM CHILD ORDER BY ID"), "7\n12\n");
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

TEST(Keys, TheEmployeeExampleThereAndBack) {
    TempFolder folder;
    StandInDatabase db;
    const std::string first = folder.file("employee.fdb"), second = folder.file("back.fdb"),
                      standIn = folder.file("standin.db"), script = folder.file("employee.sql");
    const std::string make = "zcat /usr/share/doc/firebird3.0-common-doc/examples/employee.sql.gz | sed \"s|^create "
                             "database 'employee.fdb';|create database '" + first + "';|\" > " + script +
                             " && isql-fb -q -user SYSDBA -i " + script;
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    {  // a generator that numbers nothing the copy carries
        auto c = db.createConnection();
        c->open(FirebirdSettings({first, "SYSDBA", ""}));
        c->execute("CREATE SEQUENCE LONELY_GEN");
        c->close();
    }
    CreateFirebirdDatabase(second);
    // The stand-in takes the rows, the identities' columns and the indexes; it refuses every ALTER
    // TABLE, each said once and listed.
    const CompanionRun there = Companion(db, first, standIn, {"--all", "--keys", "send-to-sqlserver"});
    EXPECT_EQ(there.status, kExitFailed);
    for (const char* said : {"table EMPLOYEE: read 42, written 42, refused 0", "  made: index NAMEX (LAST_NAME, FIRST_NAME)",
                             "primary key (EMP_NO)", "trigger SAVE_SALARY_CHANGE", "computed column FULL_NAME",
                             "CHECK constraint INTEG_", "CHECK of domain", "the view itself",
                             "EMPLOYEE: foreign key (DEPT_NO) to DEPARTMENT was not made: "})
        EXPECT_NE(there.printed.find(said), std::string::npos) << said << "\n" << there.printed;
    EXPECT_EQ(there.printed.find("trigger SET_EMP_NO"), std::string::npos) << "the generator's trigger is the identity";
    // What the database holds besides tables, once for the run: EMPLOYEE's 10 procedures and 5
    // exceptions, its grants and the lonely generator; EMP_NO_GEN and CUST_NO_GEN number EMPLOYEE
    // and CUSTOMER, which their identities carry.
    const size_t besides = there.printed.find("not carried from the source database: ");
    ASSERT_NE(besides, std::string::npos) << there.printed;
    const std::string line = there.printed.substr(besides, there.printed.find('\n', besides) - besides);
    for (const char* said : {"stored procedure ADD_EMP_PROJ", "stored procedure SUB_TOT_BUDGET",
                             "exception CUSTOMER_CHECK", "exception UNKNOWN_EMP_ID", "generator LONELY_GEN",
                             "domain ADDRESSLINE", "domain SALARY"})
        EXPECT_NE(line.find(said), std::string::npos) << said << "\n" << line;
    EXPECT_EQ(line.find("_NO_GEN"), std::string::npos) << line;
    EXPECT_EQ(line.find("domain RDB$"), std::string::npos) << "a column's own domain is no object: " << line;
    // Every grant of the example goes to PUBLIC: on its tables and views, and on its 10 procedures.
    // (65 here: the old count of the tables' grants alone was 55.)
    {
        auto c = db.createConnection();
        c->open(FirebirdSettings({first, "SYSDBA", ""}));
        // The engine grants PUBLIC a look at its own tables too (RDB$, MON$, SEC$): no grant of the user's.
        auto granted = c->openRecordset("SELECT COUNT(*) FROM RDB$USER_PRIVILEGES WHERE RDB$USER = 'PUBLIC' AND NOT "
                                        "(RDB$RELATION_NAME SIMILAR TO '(RDB|MON|SEC)$%' ESCAPE '#')");
        const auto grants = std::get<std::int64_t>(granted->value(0));
        granted->close();
        c->close();
        EXPECT_NE(line.find("grants (" + std::to_string(grants) + ")"), std::string::npos) << grants << "\n" << line;
    }
    // 10 procedures, 5 exceptions, the generator, 15 domains and the grants.
    EXPECT_EQ(std::count(line.begin(), line.end(), ';'), 10 + 5 + 1 + 15 + 1 - 1) << line;
    EXPECT_EQ(Companion(db, first, standIn, {"--all", "verify", "firebird-to-sqlserver"}).status, kExitCopied);
    // What the stand-in refused, verify --keys finds missing; the indexes it took are there.
    const CompanionRun verified = Companion(db, first, standIn, {"--all", "--keys", "verify", "firebird-to-sqlserver"});
    EXPECT_EQ(verified.status, kExitFailed);
    EXPECT_NE(verified.printed.find("  keys: MISSING primary key (EMP_NO); foreign key (DEPT_NO) to DEPARTMENT (DEPT_NO);"),
              std::string::npos)
        << verified.printed;
    for (const char* there : {"index (LAST_NAME, FIRST_NAME)", "identity EMP_NO"})
        EXPECT_EQ(verified.printed.find(there), std::string::npos) << there << "\n" << verified.printed;

    const CompanionRun back = Companion(db, second, standIn, {"--all", "--keys", "send-to-firebird"});
    EXPECT_EQ(back.status, kExitCopied) << back.printed;
    const CompanionRun verifiedBack = Companion(db, second, standIn, {"--all", "--keys", "verify", "sqlserver-to-firebird"});
    EXPECT_EQ(verifiedBack.status, kExitCopied) << verifiedBack.printed;
    EXPECT_NE(verifiedBack.printed.find("table EMPLOYEE: source 42 rows, target 42 rows, matching 42, only in source 0, "
                                        "only in target 0, identical\n  keys: all there\n"),
              std::string::npos)
        << verifiedBack.printed;
    auto c = db.createConnection();
    c->open(FirebirdSettings({second, "SYSDBA", ""}));
    EXPECT_EQ(Rows(*c, "SELECT TRIM(S.RDB$FIELD_NAME), I.RDB$UNIQUE_FLAG FROM RDB$INDICES I JOIN RDB$INDEX_SEGMENTS S "
                       "ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME WHERE I.RDB$INDEX_NAME IN ('NAMEX', 'PRODTYPEX') "
                       "ORDER BY I.RDB$INDEX_NAME, S.RDB$FIELD_POSITION"),
              "LAST_NAME|0\nFIRST_NAME|0\nPRODUCT|1\nPROJ_NAME|1\n");
    // The generator's numbering went with the rows, as an identity that goes on after them.
    c->execute("INSERT INTO EMPLOYEE (FIRST_NAME, LAST_NAME) VALUES ('New', 'Person')");
    EXPECT_EQ(Rows(*c, "SELECT EMP_NO FROM EMPLOYEE WHERE LAST_NAME = 'Person'"), "146\n");
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A dialect 1 target has no BIGINT: its identity is continued with statements that dialect takes.
TEST(Keys, ADialectOneTargetsIdentityContinues) {
    TempFolder folder;
    StandInDatabase db;
    const std::string firebird = folder.file("dialect1.fdb"), standIn = folder.file("standin.db");
    CreateFirebirdDatabase(firebird, "", 1);
    {
        auto c = db.createConnection();
        c->open(SqlServerSettings({"localhost", "1433", standIn, "sa", "", false}));
        c->execute("CREATE TABLE CHILD (ID INT IDENTITY(1,1) NOT NULL PRIMARY KEY, NAME VARCHAR(30))");
        c->execute("INSERT INTO CHILD VALUES (7, 'one'), (12, 'three')");
    }
    const CompanionRun run = Companion(db, firebird, standIn, {"--keys", "send-to-firebird", "CHILD"});
    EXPECT_EQ(run.status, kExitCopied) << run.printed;
    EXPECT_NE(run.printed.find("identity ID, continuing after the largest value"), std::string::npos) << run.printed;
    EXPECT_EQ(run.printed.find("REFUSED"), std::string::npos) << run.printed;
    auto c = db.createConnection();
    c->open(FirebirdSettings({firebird, "SYSDBA", ""}));
    c->execute("INSERT INTO CHILD (NAME) VALUES ('four')");
    EXPECT_EQ(Rows(*c, "SELECT ID FROM CHILD WHERE NAME = 'four'"), "13\n");
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// verify --keys checks all it names: a default dropped, a foreign key's rule changed and an
// identity that would not continue are each said. (SQLite's driver reports every index ascending:
// the index turned is the comparison's own test.)
TEST(Keys, VerifySaysEachKeyThatChanged) {
    TempFolder folder;
    StandInDatabase db;
    const std::string firebird = folder.file("target.fdb"), standIn = folder.file("standin.db");
    CreateFirebirdDatabase(firebird);
    {
        auto c = db.createConnection();
        c->open(SqlServerSettings({"localhost", "1433", standIn, "sa", "", false}));
        c->execute("CREATE TABLE PARENT (ID INTEGER PRIMARY KEY, QTY INTEGER DEFAULT 1)");
        c->execute("CREATE TABLE CHILD (ID INT IDENTITY(1,1) NOT NULL PRIMARY KEY, PARENT_ID INTEGER "
                   "REFERENCES PARENT (ID) ON DELETE CASCADE, NAME VARCHAR(30))");
        c->execute("CREATE INDEX CHILD_NAME ON CHILD (NAME DESC)");
        c->execute("INSERT INTO PARENT VALUES (1, 5), (2, 6)");
        c->execute("INSERT INTO CHILD VALUES (7, 1, 'one'), (12, 2, 'two')");
    }
    ASSERT_EQ(Companion(db, firebird, standIn, {"--all", "--keys", "send-to-firebird"}).status, kExitCopied);
    const std::vector<std::string> verify = {"--all", "--keys", "verify", "sqlserver-to-firebird"};
    const CompanionRun before = Companion(db, firebird, standIn, verify);
    EXPECT_EQ(before.status, kExitCopied) << before.printed;

    auto c = db.createConnection();
    c->open(FirebirdSettings({firebird, "SYSDBA", ""}));
    const std::string foreignKey = Rows(*c, "SELECT TRIM(RDB$CONSTRAINT_NAME) FROM RDB$RELATION_CONSTRAINTS WHERE "
                                            "RDB$RELATION_NAME = 'CHILD' AND RDB$CONSTRAINT_TYPE = 'FOREIGN KEY'");
    const std::string name = foreignKey.substr(0, foreignKey.find('\n'));
    const std::vector<std::string> changes = {
        "ALTER TABLE PARENT ALTER COLUMN QTY DROP DEFAULT",
        "ALTER TABLE CHILD DROP CONSTRAINT " + name,
        "ALTER TABLE CHILD ADD CONSTRAINT " + name + " FOREIGN KEY (PARENT_ID) REFERENCES PARENT (ID)",
        "ALTER TABLE CHILD ALTER COLUMN ID RESTART WITH 0"};
    for (const auto& change : changes) c->execute(change);
    c->close();
    const CompanionRun after = Companion(db, firebird, standIn, verify);
    EXPECT_EQ(after.status, kExitFailed);
    for (const char* said : {"default of QTY 1", "foreign key (PARENT_ID) to PARENT (ID) on delete CASCADE",
                             "identity ID continuing after the largest value (it gives 1 "
                                                        "next; the largest is 12)"})
        EXPECT_NE(after.printed.find(said), std::string::npos) << said << "\n" << after.printed;
}

}  // namespace
}  // namespace tess
