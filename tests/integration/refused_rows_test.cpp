// Rows the target refuses for their own values are the rows', never the table's: a text too long
// for its column, in the first 150 rows and the last 10 of 10,160, costs those 160 rows and no
// other, literal and in blocks; the reports stay readable; --max-refused ends a table for a user
// who prefers that.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "app/copy/console.h"
#include "app/copy/copy_command.h"
#include "connect/connection_strings.h"
#include "standin_database.h"
#include "temp_folder.h"

namespace tess {
namespace {

constexpr int kRows = 10'160, kRefused = 160;

struct CompanionRun {
    int status;
    std::string printed;
};

CompanionRun Send(Database& db, const std::string& firebird, const std::string& standIn, std::vector<std::string> words,
                  bool overwrite = true) {
    std::vector<std::string> args = {"--fb-database", firebird,    "--fb-user",     "SYSDBA",      "--ms-server",
                                     "localhost",     "--ms-database", standIn, "--overwrite", overwrite ? "yes" : "no"};
    args.insert(args.end(), words.begin(), words.end());
    std::ostringstream out;
    Console console(out, false);
    const int status = RunCopyCommand(std::get<CopyOptions>(ParseCopyOptions(args)), {}, db, console, out);
    return {status, out.str()};
}

long long Count(Database& db, const std::string& firebird, const std::string& query) {
    auto c = db.createConnection();
    c->open(FirebirdSettings({firebird, "SYSDBA", ""}));
    auto rows = c->openRecordset(query);
    return std::get<std::int64_t>(rows->value(0));
}

long long Matches(const std::string& text, const std::string& pattern) {
    const std::regex re(pattern);
    return std::distance(std::sregex_iterator(text.begin(), text.end(), re), std::sregex_iterator());
}

class RefusedRows : public testing::Test {
protected:
    void SetUp() override {
        CreateFirebirdDatabase(firebird);
        auto c = db.createConnection();
        c->open(SqlServerSettings({"localhost", "1433", standIn, "sa", "", false}));
        // SQLite keeps the 50 characters that the copy's VARCHAR(10) will not take.
        c->execute("CREATE TABLE NOTES (ID INTEGER, CODE VARCHAR(10))");
        c->execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kRows) +
                   ") INSERT INTO NOTES SELECT i, CASE WHEN i <= 150 OR i > " + std::to_string(kRows - 10) +
                   " THEN printf('%050d', i) ELSE 'ok' END FROM n");
        c->close();
    }
    TempFolder folder;
    StandInDatabase db;
    const std::string firebird = folder.file("target.fdb"), standIn = folder.file("standin.db");
};

TEST_F(RefusedRows, EveryGoodRowArrivesAndTheReportsStayReadable) {
    for (const bool bulk : {false, true}) {
        const auto run = Send(db, firebird, standIn, bulk ? std::vector<std::string>{"--bulk", "send-to-firebird", "NOTES"}
                                                          : std::vector<std::string>{"send-to-firebird", "NOTES"});
        const std::string how = bulk ? "--bulk" : "literal";
        EXPECT_EQ(run.status, kExitFailed) << how << ": rows were refused";
        EXPECT_EQ(Count(db, firebird, "SELECT COUNT(*) FROM NOTES"), kRows - kRefused) << how << ": " << run.printed;
        EXPECT_EQ(Count(db, firebird, "SELECT COUNT(*) FROM NOTES WHERE CODE <> 'ok'"), 0) << how;
        EXPECT_EQ(Count(db, firebird, "SELECT COUNT(DISTINCT ID) FROM NOTES"), kRows - kRefused) << how << ": each once";
        EXPECT_NE(run.printed.find("table NOTES: read 10160, written 10000, refused 160, "), std::string::npos)
            << how << ": " << run.printed.substr(0, 3000);
        // The first 10 of the cause each on a line with its row and key, then one line for the rest.
        EXPECT_EQ(Matches(run.printed, "NOTES, row [0-9]+ \\(ID '[0-9]+'\\): [^\n]*truncation"), 10) << how;
        EXPECT_EQ(Matches(run.printed, "NOTES: \\.\\.\\. and 150 more rows refused for the same reason: [^\n]*truncation"), 1)
            << how << ": " << run.printed.substr(0, 3000);
        EXPECT_EQ(run.printed.find("were not tried"), std::string::npos) << how;
    }
}

// Refused rows end a table only when asked: at the limit given, exactly.
TEST_F(RefusedRows, MaxRefusedEndsTheTableAtItsLimit) {
    for (const long long limit : {1LL, 150LL, 161LL}) {
        const auto run = Send(db, firebird, standIn, {"--max-refused", std::to_string(limit), "send-to-firebird", "NOTES"});
        const bool reached = limit <= kRefused;
        EXPECT_EQ(run.status, kExitFailed) << limit;
        EXPECT_EQ(run.printed.find(std::to_string(limit) + " rows were refused, as many as allowed, so the rest were "
                                                          "not tried") != std::string::npos,
                  reached)
            << limit << ": " << run.printed.substr(0, 3000);
        // Before the limit, every good row went: none here, since the first 150 rows are refused.
        EXPECT_EQ(Count(db, firebird, "SELECT COUNT(*) FROM NOTES"), reached ? 0 : kRows - kRefused) << limit;
    }
}

// The refused rows come back as the target's INSERTs: after the column is widened, isql puts them
// in and the table is whole. A file that stands is never replaced without --overwrite yes.
TEST_F(RefusedRows, TheRejectFileGivesTheRowsBack) {
    const std::string rejects = folder.file("rejects"), json = folder.file("summary.json");
    std::filesystem::create_directory(rejects);
    for (const bool bulk : {false, true}) {
        const std::string target = folder.file(bulk ? "bulk.fdb" : "literal.fdb");
        CreateFirebirdDatabase(target);
        std::vector<std::string> words = {"--rejects", rejects, "--summary-json", json, "send-to-firebird", "NOTES"};
        if (bulk) words.insert(words.begin(), "--bulk");
        const auto run = Send(db, target, standIn, words);
        const std::string file = rejects + "/NOTES.sql";
        ASSERT_TRUE(std::filesystem::exists(file)) << run.printed.substr(0, 2000);
        std::ifstream in(file);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(Matches(text, "\n-- row [0-9]+ \\(ID '[0-9]+'\\): [^\n]*truncation[^\n]*\nINSERT INTO "), kRefused);
        const auto summary = nlohmann::json::parse(std::ifstream(json));
        EXPECT_EQ(summary["tables"][0]["rejects"], file);
        EXPECT_EQ(summary["tables"][0]["rowsRefused"], kRefused);
        {
            auto c = db.createConnection();
            c->open(FirebirdSettings({target, "SYSDBA", ""}));
            c->execute("ALTER TABLE NOTES ALTER CODE TYPE VARCHAR(60)");
            c->close();
        }
        const std::string replay = "isql-fb -q -ch UTF8 -user SYSDBA -i '" + file + "' '" + target + "' > '" +
                                   folder.file("isql.txt") + "' 2>&1";
        EXPECT_EQ(std::system(replay.c_str()), 0);
        EXPECT_EQ(Count(db, target, "SELECT COUNT(*) FROM NOTES"), kRows) << (bulk ? "--bulk" : "literal");
        EXPECT_EQ(Count(db, target, "SELECT COUNT(DISTINCT ID) FROM NOTES"), kRows);
        std::filesystem::rename(file, folder.file(bulk ? "bulk.sql" : "literal.sql"));
    }
    // Without --overwrite yes the file that stands is kept, and the rows go beside it.
    std::ofstream(rejects + "/NOTES.sql") << "kept";
    const std::string fresh = folder.file("fresh.fdb");
    CreateFirebirdDatabase(fresh);
    const auto run = Send(db, fresh, standIn, {"--rejects", rejects, "send-to-firebird", "NOTES"}, false);
    std::ifstream kept(rejects + "/NOTES.sql");
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>()), "kept");
    EXPECT_TRUE(std::filesystem::exists(rejects + "/NOTES.1.sql")) << run.printed.substr(0, 2000);
    EXPECT_NE(run.printed.find("NOTES: its refused rows are in " + rejects + "/NOTES.1.sql"), std::string::npos);
}

}  // namespace
}  // namespace tess
