// --rejects: a safe file for any table name, a folder that cannot take files refused before any
// connection, a file only for a table with refused rows, and a row no literal carries said so.
#include "app/copy/reject_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/copy/console.h"
#include "app/copy/copy_command.h"
#include "fakes/fake_database.h"

namespace tess {
namespace {

namespace fs = std::filesystem;

TEST(RejectFileName, AnyTableNameStaysInsideTheFolder) {
    const std::string longName(300, 'a'), otherLong = std::string(299, 'a') + "b";
    const struct {
        std::string table, file;
    } cases[] = {
        {"NOTES", "NOTES"},
        {"Order_Lines-2", "Order_Lines-2"},
        {"dbo.Orders", "dbo%2EOrders"},
        {"../../etc/passwd", "%2E%2E%2F%2E%2E%2Fetc%2Fpasswd"},
        {".hidden", "%2Ehidden"},
        {"a\"b'c d", "a%22b%27c%20d"},
        {"Zoë", "Zo%C3%AB"},
        {"<script>", "%3Cscript%3E"},
        {"a\\b\nc", "a%5Cb%0Ac"},
    };
    for (const auto& c : cases) EXPECT_EQ(RejectFileName(c.table), c.file) << c.table;
    // A long name is cut, and a hash of the whole keeps two long names apart.
    EXPECT_LE(RejectFileName(longName).size(), 200u);
    EXPECT_NE(RejectFileName(longName), RejectFileName(otherLong));
    EXPECT_EQ(RejectFileName(std::string(180, 'x')), std::string(180, 'x')) << "at the limit: whole";
    EXPECT_NE(RejectFileName(std::string(181, 'x')).find('~'), std::string::npos) << "past it: cut";
}

class RejectFilesTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("rejects-" + std::to_string(getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    static CopyFailure Refused(long long row, std::string statement, std::string none = "") {
        CopyFailure f{CopyStage::kInsert, FailureKind::kRowRefused, "string right truncation\n-expected length 10"};
        f.table = "T";
        f.row = row;
        f.rowKey = "ID '" + std::to_string(row) + "'";
        f.rowStatement = std::move(statement);
        f.noRowStatement = std::move(none);
        return f;
    }
    fs::path folder;
};

// Refused before anything is opened, as a summary file that cannot be written is.
TEST_F(RejectFilesTest, AFolderThatCannotTakeFilesIsRefusedBeforeAnyConnection) {
    std::ofstream(folder / "a file") << "x";
    for (const std::string& path : {(folder / "missing").string(), (folder / "a file").string(), std::string()}) {
        FakeDatabase db;
        std::ostringstream said;
        Console console(said, false);
        const int status = RunCopyCommand(
            std::get<CopyOptions>(ParseCopyOptions({"--rejects", path, "send-to-firebird", "Orders"})), {}, db, console,
            said);
        EXPECT_EQ(status, kExitUsage) << path << ": " << said.str();
        EXPECT_NE(said.str().find("cannot write rejected rows"), std::string::npos) << said.str();
        EXPECT_TRUE(db.log.empty()) << path;
    }
}

TEST_F(RejectFilesTest, AFileOnlyForRefusedRowsEachWithItsComment) {
    RejectFiles files(folder.string(), false, true);
    EXPECT_FALSE(files.tableDone()) << "no refused row, no file";
    files.refused(Refused(3, "INSERT INTO \"T\" VALUES(3,'0123456789x')"));
    files.refused(Refused(9, "", "a value of the row is too long for a literal"));
    CopyFailure other{CopyStage::kCreate, FailureKind::kTableRefused, "no room"};
    files.refused(other);  // not a row's: not in the file
    const auto path = files.tableDone();
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, (folder / "T.sql").string());
    std::ifstream in(*path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("-- row 3 (ID '3'): string right truncation / -expected length 10\n"
                        "INSERT INTO \"T\" VALUES(3,'0123456789x');\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("-- row 9 (ID '9'): string right truncation / -expected length 10\n"
                        "-- not written as a statement: a value of the row is too long for a literal\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("no room"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 8), "COMMIT;\n");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"T.sql"}) << "nothing of the writing left beside it";
}

// Into SQL Server: the refused rows as T-SQL, the others copied, the file named in the JSON summary.
TEST_F(RejectFilesTest, IntoSqlServerTheRowsComeBackAsTSql) {
    FakeDatabase db;
    db.catalogue = FakeDatabase::Catalogue({{"T", "TABLE"}});
    FakeResult rows;
    rows.fields = {{"ID", 3, 4, 10, 0}};
    for (int i = 1; i <= 5; ++i) rows.rows.push_back({std::int64_t{i}});
    db.results["SELECT * FROM \"T\""] = rows;
    DatabaseError::Details violation;
    violation.rowValues = true;
    violation.codes.sqlStates = {"23000"};
    for (const char* row : {"2", "4"})
        db.failOn(std::string("execute INSERT INTO [T] VALUES('") + row + "')", "Violation of PRIMARY KEY", violation, 1);
    std::ostringstream said;
    Console console(said, false);
    const auto json = (folder / "summary.json").string();
    const int status = RunCopyCommand(
        std::get<CopyOptions>(ParseCopyOptions({"--overwrite", "yes", "--rejects", folder.string(), "--summary-json",
                                                json, "send-to-sqlserver", "T"})),
        {}, db, console, said);
    EXPECT_EQ(status, kExitFailed) << said.str();
    std::ifstream in(folder / "T.sql");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("-- row 2 (ID '2'): Violation of PRIMARY KEY\nINSERT INTO [T] VALUES('2');\n"
                        "-- row 4 (ID '4'): Violation of PRIMARY KEY\nINSERT INTO [T] VALUES('4');\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("COMMIT"), std::string::npos) << "sqlcmd commits each statement";
    EXPECT_EQ(db.calls("execute INSERT INTO [T]").size(), 5u);
    const auto summary = nlohmann::json::parse(std::ifstream(json));
    EXPECT_EQ(summary["tables"][0]["rejects"], (folder / "T.sql").string());
    EXPECT_EQ(summary["tables"][0]["rowsRefused"], 2);
}

}  // namespace
}  // namespace tess
