// A Firebird target on a filesystem of 8 MB: the copy that fills it ends with one report for the
// table, and the next table is still attempted.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include "fakes/engine_copy.h"
#include "connect/connection_strings.h"
#include "fakes/fake_database.h"
#include "fakes/fake_toolkit.h"
#include "fakes/fixed_logins.h"
#include "platform/drivers/drivers_database.h"
#include "split_database.h"
#include "temp_folder.h"
#include "tables/send_to_firebird.h"
#include "transfer/table_outcome.h"

namespace tess {
namespace {

class SmallDisk : public testing::Test {
protected:
    void SetUp() override {
        if (mount("tmpfs", folder.path().c_str(), "tmpfs", 0, "size=8m") != 0)
            GTEST_SKIP() << "this machine lets the test mount no filesystem; the fake shows the same";
        mounted = true;
    }
    void TearDown() override {
        if (mounted) umount2(folder.path().c_str(), MNT_DETACH);
    }
    TempFolder folder;
    bool mounted = false;
};

TEST_F(SmallDisk, AFullDiskIsOneReportForTheTable) {
    FixedLogins logins;
    logins.firebird = {folder.file("small.fdb"), "SYSDBA", ""};
    CreateFirebirdDatabase(logins.firebird.database);
    FakeResult big;
    big.fields = {{"ID", 3, 4, 10, 0}, {"TEXT", 200, 2000, 255, 0}};
    // Text that Firebird's record compression cannot shrink: 20,000 rows of it need about 30 MB.
    unsigned seed = 7;
    for (int i = 0; i < 20000; ++i) {
        std::string text(1500, ' ');
        for (char& c : text) c = static_cast<char>('a' + (seed = seed * 1103515245u + 12345u) % 26);
        big.rows.push_back({std::int64_t{i}, text});
    }
    FakeResult small;
    small.fields = {{"ID", 3, 4, 10, 0}};
    small.rows = {{std::int64_t{1}}};
    FakeDatabase sqlServer;
    sqlServer.results["SELECT * FROM [Big]"] = big;
    sqlServer.results["SELECT * FROM [After]"] = small;
    DriversDatabase drivers;
    SplitDatabase db(sqlServer, drivers);
    FakeToolkit ui;
    FakeTableList firebirdTables;
    RecordingObserver observer(ui, "in Orvenda5/20/2014.Form2.PushButton3_Click ");
    CopyThroughEngine(db, logins, {.toFirebird = true}, firebirdTables, {"Big", "After"}, observer);
    const std::vector<TableOutcome>& outcomes = observer.outcomes;

    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].target, "Big");
    EXPECT_EQ(outcomes[0].ending, TableOutcome::kConnectionLost);
    EXPECT_LT(outcomes[0].rowsRead, 20000);
    EXPECT_LE(ui.boxes.size(), 4u) << "a report or two for each table, never one per row";
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_NE(ui.boxes[0].text.find("The copy of Big ended here"), std::string::npos) << ui.boxes[0].text;
    EXPECT_EQ(outcomes[1].target, "After") << "the next table is still attempted";
    for (const auto& box : ui.boxes)
        EXPECT_EQ(box.text.find("A transaction is already open"), std::string::npos)
            << "the full table's transaction was ended: " << box.text;
}

}  // namespace
}  // namespace tess
