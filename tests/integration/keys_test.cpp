// --keys against real databases: the stand-in (SQLite's driver, which answers ODBC's catalogue
// calls) with keys of its own into Firebird, and Firebird's EMPLOYEE example out to the stand-in
// and back. SQLite takes no ALTER TABLE … ADD CONSTRAINT: what it refuses there is reported and
// named in the summary, and the texts themselves are checked against the fake.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "app/copy/copy_command.h"
#include "connect/connection_strings.h"
#include "platform/console_toolkit.h"
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
    ConsoleToolkit toolkit(out, kAnswerNo);
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
        c->execute("CREATE TABLE PARENT (ID INTEGER PRIMARY KEY, CODE VARCHAR(10) NOT NULL UNIQUE, "
                   "QTY INTEGER DEFAULT 1, NOTE VARCHAR(20) DEFAULT 'new')");
        c->execute("CREATE TABLE CHILD (ID INT IDENTITY(1,1) NOT NULL PRIMARY KEY, PARENT_ID INTEGER "
                   "REFERENCES PARENT (ID) ON DELETE CASCADE, NAME VARCHAR(30))");
        c->execute("CREATE INDEX CHILD_NAME ON CHILD (NAME DESC)");
        c->execute("INSERT INTO PARENT VALUES (1, 'a', 5, 'x'), (2, 'b', 6, 'y')");
        c->execute("INSERT INTO CHILD VALUES (7, 1, 'one'), (9, 2, 'two'), (12, 1, 'three')");
    }
    const CompanionRun run = Companion(db, firebird, standIn, {"--all", "--keys", "send-to-firebird"});
    EXPECT_EQ(run.status, kExitCopied) << run.printed;

    auto c = db.createConnection();
    c->open(FirebirdSettings({firebird, "SYSDBA", ""}));
    EXPECT_EQ(Rows(*c, "SELECT TRIM(C.RDB$RELATION_NAME), TRIM(C.RDB$CONSTRAINT_TYPE), TRIM(S.RDB$FIELD_NAME) "
                       "FROM RDB$RELATION_CONSTRAINTS C JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME "
                       "WHERE C.RDB$RELATION_NAME IN ('CHILD', 'PARENT') ORDER BY 1, 2, 3"),
              "CHILD|FOREIGN KEY|PARENT_ID\nCHILD|PRIMARY KEY|ID\nPARENT|PRIMARY KEY|ID\nPARENT|UNIQUE|CODE\n");
    EXPECT_EQ(Rows(*c, "SELECT TRIM(RDB$DELETE_RULE) FROM RDB$REF_CONSTRAINTS"), "CASCADE\n");
    EXPECT_EQ(Rows(*c, "SELECT TRIM(I.RDB$INDEX_NAME), TRIM(S.RDB$FIELD_NAME) FROM RDB$INDICES I JOIN RDB$INDEX_SEGMENTS S "
                       "ON S.RDB$INDEX_NAME = I.RDB$INDEX_NAME WHERE I.RDB$INDEX_NAME = 'CHILD_NAME'"),
              "CHILD_NAME|NAME\n");
    EXPECT_EQ(Rows(*c, "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE RDB$NULL_FLAG = 1 "
                       "AND RDB$RELATION_NAME IN ('CHILD', 'PARENT') ORDER BY 1"),
              "CODE\nID\nID\n");
    // The identity goes on after the largest copied value; the default fills what an insert leaves.
    c->execute("INSERT INTO CHILD (PARENT_ID, NAME) VALUES (2, 'four')");
    c->execute("INSERT INTO PARENT (ID, CODE) VALUES (3, 'c')");
    EXPECT_EQ(Rows(*c, "SELECT ID FROM CHILD WHERE NAME = 'four'"), "13\n");
    EXPECT_EQ(Rows(*c, "SELECT QTY FROM PARENT WHERE ID = 3"), "1\n");
    c->execute("DELETE FROM PARENT WHERE ID = 1");
    EXPECT_EQ(Rows(*c, "SELECT COUNT(*) FROM CHILD"), "2\n");
}

}  // namespace
}  // namespace tess
