// --summary-json's file: refused before anything is copied where it cannot be written, never left
// stale, written whole or not at all, and saying the process's own exit status.
#include "app/copy/summary_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
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
        {(folder / "locked" / "summary.json").string(), geteuid() == 0 ? "" : "Permission denied"},
    };
    for (const auto& c : cases) {
        if (c.says.empty()) continue;  // root writes anywhere
        FakeDatabase db;
        std::ostringstream said;
        Console toolkit(said, false);
        const int status = RunCopyCommand(
            std::get<CopyOptions>(ParseCopyOptions({"--summary-json", c.path, "send-to-firebird", "Orders"})), {}, db,
            toolkit, said);
        EXPECT_EQ(status, kExitUsage) << c.path;
        EXPECT_NE(said.str().find(c.says), std::string::npos) << said.str();
        EXPECT_TRUE(db.log.empty()) << c.path << ": nothing opened, nothing copied";
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

}  // namespace
}  // namespace tess
