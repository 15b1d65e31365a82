// --summary-json's file: refused before anything is copied where it cannot be written, never left
// stale, written whole or not at all, and saying the process's own exit status.
#include "app/copy/summary_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <functional>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/copy/copy_command.h"
#include "fakes/fake_database.h"
#include "app/copy/console.h"

namespace tess {
namespace {

namespace fs = std::filesystem;

class SummaryFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("summary-file-" + std::to_string(getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& entry : fs::directory_iterator(folder)) out.push_back(entry.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
    static TableSummary Done(const std::string& table, long long rows) {
        TableOutcome o;
        o.ending = TableOutcome::kComplete;
        o.rowsRead = o.rowsWritten = rows;
        return {table, o, rows};
    }
    fs::path folder;
};

// Runs the check as a user without root's rights would: root writes anywhere, so under root (as CI
// runs) the check runs in a child process that has given those rights up. 0 when it held.
int AsUnprivileged(const std::function<bool()>& check) {
    if (geteuid() != 0) return check() ? 0 : 1;
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);  // nobody
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 3;
}

// A path that cannot take the summary is refused before any connection is opened.
TEST_F(SummaryFileTest, APathThatCannotBeWrittenIsRefusedBeforeAnyRow) {
    fs::create_directory(folder / "a folder");
    fs::create_directory(folder / "locked");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    const struct {
        std::string path, says;
    } cases[] = {
        {"", "the file name is empty"},
        {(folder / "missing" / "summary.json").string(), "No such file or directory"},
        {(folder / "a folder").string(), "it is a folder"},
        {(folder / "locked" / "summary.json").string(), "Permission denied"},
    };
    for (const auto& c : cases) {
        std::string said;
        auto refused = [&] {
            FakeDatabase db;
            std::ostringstream out;
            Console console(out, false);
            const int status = RunCopyCommand(
                std::get<CopyOptions>(ParseCopyOptions({"--summary-json", c.path, "send-to-firebird", "Orders"})), {},
                db, console, out);
            said = out.str();
            // Nothing opened, nothing copied.
            return status == kExitUsage && said.find(c.says) != std::string::npos && db.log.empty();
        };
        EXPECT_EQ(AsUnprivileged(refused), 0) << c.path << ": " << said;
    }
    fs::permissions(folder / "locked", fs::perms::owner_all);
}

// The last run's file is gone as soon as this run starts; the new one appears whole, with nothing
// of the writing left beside it.
TEST_F(SummaryFileTest, NothingStaleAndNothingHalfWritten) {
    const fs::path path = folder / "summary.json";
    std::ofstream(path) << R"({"tables": [{"outcome": "complete"}], "exitStatus": 0})";
    SummaryFile file(path.string());
    EXPECT_FALSE(fs::exists(path)) << "an earlier run's summary must not pass for this one's";
    EXPECT_TRUE(names().empty()) << "the check of the folder leaves nothing";

    file.write({Done("Orders", 3)}, 0);
    EXPECT_EQ(names(), std::vector<std::string>{"summary.json"});
    const auto json = nlohmann::json::parse(std::ifstream(path));
    EXPECT_EQ(json["tables"][0]["outcome"], "complete");
    EXPECT_EQ(json["exitStatus"], 0);

    // A second signal: what was kept, with the status the process ends with.
    TableSummary underWay{"Lines", std::nullopt, std::nullopt};
    underWay.inFlight = true;
    file.keep({Done("Orders", 3), underWay, {"Notes", std::nullopt, std::nullopt}});
    file.writeKept(143);
    const auto kept = nlohmann::json::parse(std::ifstream(path));
    EXPECT_EQ(kept["exitStatus"], 143);
    EXPECT_EQ(kept["tables"][1]["outcome"], "stopped");
    EXPECT_EQ(kept["tables"][2]["outcome"], "not started");
}

// A write that fails part-way (the file-size limit here; a full disk for a user) leaves the last
// whole summary standing, never a truncated one: the text goes to a file beside it first.
TEST_F(SummaryFileTest, AWriteThatFailsPartWayLeavesTheLastWholeSummary) {
    const fs::path path = folder / "summary.json";
    SummaryFile file(path.string());
    file.write({Done("Orders", 3)}, 0);
    const auto whole = fs::file_size(path);
    std::vector<TableSummary> many;
    for (int i = 0; i < 200; ++i) many.push_back(Done("Table" + std::to_string(i), i));
    // Beyond the limit a write fails with EFBIG instead of ending the process.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = whole + 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    EXPECT_THROW(file.write(many, 0), SummaryFileError);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(fs::file_size(path), whole) << "not truncated, not half-written";
    const auto json = nlohmann::json::parse(std::ifstream(path));
    EXPECT_EQ(json["tables"].size(), 1u);
    EXPECT_EQ(names(), std::vector<std::string>{"summary.json"}) << "the file beside it is gone";
}

// A summary the device refuses turns a copy that went well into a failure: a scheduler must not
// read success where no summary was written.
TEST_F(SummaryFileTest, ASummaryThatCannotBeWrittenFailsTheRun) {
    FakeDatabase db;
    db.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}});
    db.results["SELECT * FROM [Orders]"] = {{{"ID", 3}}, {{std::int64_t{1}}}};
    db.results["SELECT COUNT(*) FROM \"Orders\""] = {{{"COUNT", 20}}, {{std::int64_t{1}}}};
    for (const auto& [path, status] : {std::pair{"/dev/full", kExitFailed}, std::pair{"/dev/null", kExitCopied}}) {
        std::ostringstream said;
        Console console(said, false);
        const int got = RunCopyCommand(std::get<CopyOptions>(ParseCopyOptions(
                                           {"--overwrite", "yes", "--summary-json", path, "send-to-firebird", "Orders"})),
                                       {}, db, console, said);
        EXPECT_EQ(got, status) << path << ": " << said.str();
        if (status == kExitFailed) {
            EXPECT_NE(said.str().find("cannot write the summary to \"/dev/full\""), std::string::npos);
        }
    }
}

// A file that is not a regular file (a device, a pipe) is written in place; a write it refuses is
// a failure said, never a silent success.
TEST_F(SummaryFileTest, AFullDeviceIsAFailure) {
    SummaryFile full("/dev/full");
    EXPECT_THROW(full.write({Done("Orders", 3)}, 0), SummaryFileError);
    EXPECT_TRUE(fs::is_character_file("/dev/full")) << "never replaced by a file";
    SummaryFile null("/dev/null");
    EXPECT_NO_THROW(null.write({Done("Orders", 3)}, 0));
}

// A table whose target holds other than the rows written is never "complete": someone else changed
// it during the copy.
// A commit cut off by the link leaves either count in the target: neither is someone else's change.
TEST(SummaryOutcome, ACommitOfUnknownFateIsNoChangeBySomeoneElse) {
    TableOutcome o;
    o.ending = TableOutcome::kConnectionLost;
    o.rowsRead = 300;
    o.rowsWritten = 200;
    o.rowsFateUnknown = 100;
    for (const auto& [inTarget, differs] : {std::pair{200LL, false}, std::pair{300LL, false}, std::pair{250LL, true}}) {
        TableSummary summary{"T", o, inTarget};
        EXPECT_EQ(TargetDiffers(summary), differs) << inTarget;
    }
}

// The rows read that do not stand and were not refused (a batch a stop cut off) are said, in the
// line and the JSON; those of a commit of unknown fate are not among them.
TEST(SummaryOutcome, RowsReadAndNotWrittenAreSaid) {
    const struct {
        long long read, written, refused, unknown;
        const char* said;  // after the outcome; empty: nothing
        long long json;    // rowsNotWritten; 0: absent
    } cases[] = {
        {10, 5, 0, 0, " (5 rows read were not written)", 5},
        {10, 9, 0, 0, " (1 row read was not written)", 1},
        {10, 9, 1, 0, "", 0},
        {300, 200, 0, 100, "", 0},
        {300, 200, 0, 99, " (1 row read was not written)", 1},
        {0, 0, 0, 0, "", 0},
    };
    for (const auto& c : cases) {
        TableOutcome o;
        o.ending = TableOutcome::kStopped;
        o.rowsRead = c.read, o.rowsWritten = c.written, o.rowsRefused = c.refused, o.rowsFateUnknown = c.unknown;
        const TableSummary summary{"T", o, std::nullopt};
        std::ostringstream line;
        PrintSummaryLine(line, summary);
        EXPECT_NE(line.str().find(std::string(", stopped") + c.said + "\n"), std::string::npos) << line.str();
        const auto json = nlohmann::json::parse(SummaryJson({summary}, 130, {}))["tables"][0];
        EXPECT_EQ(json.value("rowsNotWritten", 0LL), c.json) << line.str();
    }
}

TEST(SummaryOutcome, ATargetThatDiffersIsNeverComplete) {
    TableOutcome o;
    o.ending = TableOutcome::kComplete;
    o.rowsRead = o.rowsWritten = 100;
    const struct {
        std::optional<long long> inTarget;
        const char* outcome;
        bool complete;
    } cases[] = {{100, "complete", true}, {90, "the target holds other rows", false}, {std::nullopt, "complete", true}};
    for (const auto& c : cases) {
        const TableSummary summary{"T", o, c.inTarget};
        EXPECT_EQ(SummaryOutcome(summary), c.outcome);
        EXPECT_EQ(SummaryComplete(summary), c.complete);
    }
}

// The run's own database is never taken for the summary's file (it would be removed before the
// copy), whether named as a path or as a server's; nor a pipe, whose reader may go away.
TEST_F(SummaryFileTest, TheRunsOwnDatabaseOrAPipeIsRefusedAndLeftWhole) {
    const std::string database = (folder / "target.fdb").string();
    std::ofstream(database) << "the database";
    const std::string pipe = (folder / "pipe").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const struct {
        std::string path;
        std::vector<std::string> databases;
        const char* why;  // null: taken
    } cases[] = {
        {database, {database, "Sales"}, "it is the database"},
        {database, {"", "localhost:" + database}, "it is the database"},
        {(folder / "." / "target.fdb").string(), {database}, "it is the database"},
        {pipe, {}, "it is a pipe"},
        {(folder / "summary.json").string(), {database, "Sales"}, nullptr},
    };
    for (const auto& c : cases) {
        try {
            SummaryFile file(c.path, c.databases);
            EXPECT_FALSE(c.why) << c.path << " taken";
        } catch (const SummaryFileError& e) {
            ASSERT_TRUE(c.why) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
        }
        std::ifstream in(database);
        std::string kept;
        std::getline(in, kept);
        EXPECT_EQ(kept, "the database") << c.path;
    }
}

// Tables named that the source does not have are in the summary too, printed and in the JSON.
TEST_F(SummaryFileTest, ATableNamedThatIsNotThereIsInTheSummary) {
    FakeDatabase db;
    db.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}});
    db.results["SELECT * FROM [Orders]"] = {{{"ID", 3}}, {{std::int64_t{1}}}};
    db.results["SELECT COUNT(*) FROM \"Orders\""] = {{{"COUNT", 20}}, {{std::int64_t{1}}}};
    const std::string path = (folder / "summary.json").string();
    std::ostringstream said, out;
    Console console(said, false);
    const int got = RunCopyCommand(std::get<CopyOptions>(ParseCopyOptions({"--overwrite", "yes", "--summary-json", path,
                                                                           "send-to-firebird", "Orders", "Ghost"})),
                                   {}, db, console, out);
    EXPECT_EQ(got, kExitFailed);
    EXPECT_NE(out.str().find("table Ghost: not in the source\n"), std::string::npos) << out.str();
    std::ifstream in(path);
    const auto json = nlohmann::json::parse(in);
    ASSERT_EQ(json["tables"].size(), 2u) << json.dump();
    EXPECT_EQ(json["tables"][1]["table"], "Ghost");
    EXPECT_EQ(json["tables"][1]["outcome"], "not in the source");
}

// A table not copied (a name the target cannot tell from one already copied) holds nothing of this
// copy: what the target holds there is no one else's change.
TEST(SummaryOutcome, ATableNotCopiedIsNeverSaidToBeChanged) {
    TableOutcome o;
    o.ending = TableOutcome::kNotCopied;
    EXPECT_FALSE(TargetDiffers(TableSummary{"orders", o, 1}));
    o.ending = TableOutcome::kComplete;
    EXPECT_TRUE(TargetDiffers(TableSummary{"orders", o, 1}));
}

}  // namespace
}  // namespace tess
