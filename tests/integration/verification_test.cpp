// The verification against copies the program made itself: identical where nothing changed, and
// exactly the changed, deleted or duplicated row where something did.
#include <gtest/gtest.h>

#include <cfloat>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "firebird_target.h"
#include "common/stop_request.h"
#include "transfer/identity_state.h"
#include "transfer/table_verification.h"
#include "transfer/verification_run.h"

namespace tess {
namespace {

class Verification : public FirebirdTarget {
protected:
    std::string defaultCharacterSet() const override { return "WIN1252"; }
    void SetUp() override {
        FirebirdTarget::SetUp();
        source.fields = {{"Id", 20, 8, 19, 0},      {"Single", 4, 4, 7, 0},      {"Double", 5, 8, 15, 0},
                         {"Money", 131, 8, 19, 4},  {"Flag", 11, 2, 255, 0},     {"Name", 202, 50, 255, 0},
                         {"Code", 200, 10, 255, 0}, {"Stamp", 135, 16, 23, 3},   {"Day", 133, 10, 255, 0},
                         {"Raw", 205, 2147483647, 255, 0}, {"Time", 134, 16, 255, 0}};
        for (int i = 0; i < 40; ++i)
            source.rows.push_back({std::int64_t{i}, Floating{i == 1 ? FLT_MAX : 0.1f * i, true},
                                   Floating{i == 2 ? DBL_MIN : 1.0 / 3 * i, false}, Decimal{std::to_string(i) + ".5000"},
                                   i % 2 == 0, std::string(i == 3 ? "" : "it's é 日本 😀 " + std::to_string(i)),
                                   std::string(i == 4 ? "2014-05-20" : "c" + std::to_string(i)),
                                   DateTime{2014, 5, 20, i % 24, 30, 0, 123456789},
                                   DateTime{1899, 12, 30, 0, 0, 0, 0}, Bytes{0, static_cast<std::uint8_t>(i), 0xFF},
                                   DateTime{1899, 12, 30, 10, i, 0, 0}});
        source.rows.push_back(source.rows.back());  // a duplicate row in the source too
        sendToFirebird("Things", source);
        for (const auto& box : ui.boxes) ADD_FAILURE() << box.text;
        fake = sqlServer.createConnection();
        fake->open("Driver={SQL Server};");
        target = firebird();
    }
    // Puts the source's row `id` back into the target, as the copy wrote it.
    void sendRow(int id) {
        FakeResult one = source;
        one.rows = {source.rows[id]};
        sendToFirebird("One", one);
        target->execute("INSERT INTO \"Things\" SELECT * FROM \"One\"");
        target->execute("DROP TABLE \"One\"");
        list2.clear();
    }
    VerificationResult verify(VerificationOptions options = {}) {
        return VerifyTable(*fake, "SELECT * FROM [Things]", *target, "SELECT * FROM \"Things\"",
                           CopyDirection::kToFirebird, options);
    }

    FakeResult source;
    std::unique_ptr<Connection> fake, target;
};

TEST_F(Verification, ACopyVerifiesAsIdentical) {
    const VerificationResult r = verify();
    EXPECT_TRUE(r.identical());
    EXPECT_EQ(r.sourceRows, 41);
    EXPECT_EQ(r.matching, 41);
    EXPECT_TRUE(r.differences.empty()) << (r.differences.empty() ? "" : r.differences[0] + " / " + r.differences.back());
    // The same when the hashes go through files on disk.
    VerificationOptions spilled;
    spilled.hashesInMemory = 3;
    spilled.spillFolder = folder.path();
    EXPECT_TRUE(verify(spilled).identical());
    // Into the system's folder, an empty TMPDIR taken as unset.
    const char* const kept = std::getenv("TMPDIR");
    const std::string before = kept ? kept : "";
    setenv("TMPDIR", "", 1);
    spilled.spillFolder.clear();
    EXPECT_TRUE(verify(spilled).identical()) << "TMPDIR empty";
    if (kept) setenv("TMPDIR", before.c_str(), 1);
    else unsetenv("TMPDIR");
}

// Either side may go to disk while the other stays in memory: each partition then holds the same
// rows on both sides, and the counts are the truth, whichever side spilled.
TEST_F(Verification, CountsHoldWhicheverSideSpills) {
    const struct {
        const char* what;
        size_t inMemory;
        size_t sourceRows, targetRows;  // the first rows of the source; the target's rows with Id below
        long long matching, onlyInSource, onlyInTarget;
    } cases[] = {
        {"neither spills", 1000, 41, 41, 41, 0, 0},
        {"both spill", 4, 41, 41, 41, 0, 0},
        {"only the source spills", 10, 41, 5, 5, 36, 0},
        {"only the target spills", 10, 5, 41, 5, 0, 36},
    };
    const FakeResult whole = source;
    for (const auto& c : cases) {
        FakeResult rows = whole;
        rows.rows.resize(c.sourceRows);
        sqlServer.results["SELECT * FROM [Things]"] = rows;
        if (c.targetRows < 41) target->execute("DELETE FROM \"Things\" WHERE \"Id\" >= " + std::to_string(c.targetRows));
        VerificationOptions options;
        options.hashesInMemory = c.inMemory;
        options.spillFolder = folder.path();
        const VerificationResult r = verify(options);
        EXPECT_EQ(r.matching, c.matching) << c.what;
        EXPECT_EQ(r.onlyInSource, c.onlyInSource) << c.what;
        EXPECT_EQ(r.onlyInTarget, c.onlyInTarget) << c.what;
        for (const auto& line : r.differences)
            EXPECT_EQ(line.find(c.onlyInTarget ? "only in source" : "only in target"), std::string::npos)
                << c.what << ": " << line;
        if (c.targetRows < 41) {  // the target whole again for the next case
            target->execute("DELETE FROM \"Things\"");
            for (int id = 0; id < 41; ++id) sendRow(id);
        }
    }
}

// The hashes spill into files that have no name from the start: nothing in the folder can be read,
// replaced or planted by others, and nothing is left however the verification ends. A link
// planted there is left alone, and what it points at too.
TEST_F(Verification, SpilledHashesHaveNoNameAndLeaveNothing) {
    namespace fs = std::filesystem;
    TempFolder parent, elsewhere;
    std::ofstream(elsewhere.file("keep")) << "x";
    fs::create_directory_symlink(elsewhere.path(), parent.file("tessaline-verify-planted"));
    VerificationOptions spilled;
    spilled.hashesInMemory = 3;
    spilled.spillFolder = parent.path();
    size_t mostNamed = 0, mostOpen = 0;
    spilled.progress = [&](const char*, long long) {
        mostNamed = std::max<size_t>(mostNamed, std::distance(fs::directory_iterator(parent.path()), {}));
        size_t open = 0;  // the process's files in the folder, each without a name
        for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
            std::error_code ignored;
            const std::string target = fs::read_symlink(fd.path(), ignored).string();
            open += target.rfind(parent.path(), 0) == 0 && target.find("(deleted)") != std::string::npos;
        }
        mostOpen = std::max(mostOpen, open);
    };
    EXPECT_TRUE(verify(spilled).identical());
    EXPECT_GT(mostOpen, 0u) << "the hashes went to disk";
    EXPECT_EQ(mostNamed, 1u) << "only the planted link ever had a name there";
    EXPECT_TRUE(fs::exists(elsewhere.file("keep")));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(parent.path())) left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"tessaline-verify-planted"});
}

// A change in any one column makes the row differ: the first, a middle and the last.
TEST_F(Verification, AChangeInAnyColumnIsFound) {
    const struct {
        const char* update;
        const char* column;
    } changes[] = {{"UPDATE \"Things\" SET \"Id\" = 100 WHERE \"Id\" = 5", "only in target: Id '100'"},
                   {"UPDATE \"Things\" SET \"Code\" = 'x' WHERE \"Id\" = 5", "Code source"},
                   {"UPDATE \"Things\" SET \"Time\" = '12/30/1899 11:11:00' WHERE \"Id\" = 5", "Time source"}};
    for (const auto& change : changes) {
        target->execute(change.update);
        const VerificationResult r = verify();
        EXPECT_FALSE(r.identical()) << change.update;
        std::string all;
        for (const auto& line : r.differences) all += line + "\n";
        EXPECT_NE(all.find(change.column), std::string::npos) << all;
        target->execute("DELETE FROM \"Things\" WHERE \"Id\" IN (5, 100)");
        sendRow(5);
    }
}

// A row is named by the table's key, all of its columns; without a key, by every column, so that
// no two rows are named alike.
TEST_F(Verification, EachChangeIsFoundWithItsColumn) {
    target->execute("UPDATE \"Things\" SET \"Name\" = 'changed' WHERE \"Id\" = 7");
    VerificationOptions keyed;
    keyed.keyColumns = {"Id", "Code"};
    VerificationResult r = verify(keyed);
    EXPECT_EQ(r.onlyInSource, 1);
    EXPECT_EQ(r.onlyInTarget, 1);
    ASSERT_EQ(r.differences.size(), 1u);
    EXPECT_EQ(r.differences[0], "row Id '7', Code 'c7' differs: Name source 'it's é 日本 😀 7', target 'changed';");
    r = verify();
    ASSERT_EQ(r.differences.size(), 1u);
    EXPECT_EQ(r.differences[0].rfind("row Id '7', Single '0.7', Double '2.333333333333333', Money '7.5', Flag '0', "
                                     "Name 'it's é 日本 😀 7', Code 'c7', ",
                                     0),
              0u)
        << r.differences[0];

    target->execute("DELETE FROM \"Things\" WHERE \"Id\" = 8");
    target->execute("INSERT INTO \"Things\" SELECT * FROM \"Things\" WHERE \"Id\" = 9");
    keyed.keyColumns = {"Id"};
    r = verify(keyed);
    EXPECT_EQ(r.targetRows, 41);
    EXPECT_EQ(r.matching, 39);
    EXPECT_EQ(r.onlyInSource, 2);
    EXPECT_EQ(r.onlyInTarget, 2);
    const std::string all = [&] {
        std::string s;
        for (const auto& line : r.differences) s += line + "\n";
        return s;
    }();
    EXPECT_NE(all.find("row Id '7' differs: Name"), std::string::npos) << all;
    EXPECT_NE(all.find("only in source: Id '8'"), std::string::npos) << all;
    EXPECT_NE(all.find("only in target: Id '9'"), std::string::npos) << all;
}

// Many rows that differ: each is paired with its own by the key and said once as differing, never
// as a row only on one side; a column renamed in the target is said, not compared with another.
TEST_F(Verification, DifferingRowsArePairedAndColumnsMatchedByName) {
    target->execute("UPDATE \"Things\" SET \"Code\" = 'changed' WHERE \"Id\" < 20");
    VerificationOptions keyed;
    keyed.keyColumns = {"Id"};
    const VerificationResult r = verify(keyed);
    EXPECT_EQ(r.onlyInSource, 20);
    ASSERT_EQ(r.differences.size(), 2 * keyed.differencesShown);
    for (const auto& line : r.differences) {
        EXPECT_NE(line.find(" differs: Code source "), std::string::npos) << line;
        EXPECT_EQ(line.find("only in"), std::string::npos) << line;
    }

    target->execute("ALTER TABLE \"Things\" ALTER COLUMN \"Name\" TO \"Title\"");
    try {
        verify();
        ADD_FAILURE() << "a renamed column verified";
    } catch (const ColumnNotComparable& e) {
        EXPECT_NE(std::string(e.what()).find("column Name of the source is not in the target"), std::string::npos)
            << e.what();
    }
}

// Rows are paired by the table's key wherever its columns stand, one or several: a row whose first
// column changed beside its key is one row that differs, never one only in each side.
TEST_F(Verification, RowsArePairedByTheirKeyWhereverItStands) {
    target->execute("UPDATE \"Things\" SET \"Id\" = 1007, \"Name\" = 'changed' WHERE \"Id\" = 7");
    for (const std::vector<std::string>& key : {std::vector<std::string>{"Code"}, {"Flag", "Code"}}) {
        SCOPED_TRACE(key.size());
        VerificationOptions keyed;
        keyed.keyColumns = key;
        const VerificationResult r = verify(keyed);
        EXPECT_FALSE(r.identical());
        ASSERT_EQ(r.differences.size(), 1u);
        EXPECT_NE(r.differences[0].find("Code 'c7' differs: Id source "), std::string::npos) << r.differences[0];
        EXPECT_NE(r.differences[0].find("Name source "), std::string::npos) << r.differences[0];
    }
}

// The target's columns are taken by their names: a target whose columns stand in another order is
// identical.
TEST_F(Verification, TheTargetsColumnsAreTakenByName) {
    std::string reversed;
    for (auto f = source.fields.rbegin(); f != source.fields.rend(); ++f)
        reversed += (reversed.empty() ? "" : ", ") + std::string("\"") + f->name + "\"";
    const VerificationResult r = VerifyTable(*fake, "SELECT * FROM [Things]", *target,
                                             "SELECT " + reversed + " FROM \"Things\"", CopyDirection::kToFirebird, {});
    EXPECT_TRUE(r.identical()) << (r.differences.empty() ? "" : r.differences[0]);
    EXPECT_EQ(r.matching, 41);
}

// An identity goes on after the largest value only where it gives more than it: one that gives
// the largest value again, or less, is said.
TEST_F(Verification, AnIdentityThatGivesTheLargestValueAgainIsSaid) {
    target->execute("CREATE TABLE \"Counted\" (ID INTEGER GENERATED BY DEFAULT AS IDENTITY, V INTEGER)");
    for (int id = 1; id <= 10; ++id)
        target->execute("INSERT INTO \"Counted\" (ID, V) VALUES (" + std::to_string(id) + ", 0)");
    const struct {
        int restart;  // the generator's value: the next is one more
        bool said;
    } cases[] = {{8, true}, {9, true}, {10, false}};
    for (const auto& c : cases) {
        target->execute("ALTER TABLE \"Counted\" ALTER ID RESTART WITH " + std::to_string(c.restart));
        const auto stalls = FirebirdIdentityStalls(*target, "Counted", "ID");
        EXPECT_EQ(stalls.has_value(), c.said) << c.restart << ": " << stalls.value_or("");
        if (c.said) {
            EXPECT_NE(stalls->find("the largest is 10"), std::string::npos) << *stalls;
        }
    }
}

// Long values are hashed where they lie, binaries a piece of their hex digits at a time: a change
// far past the first piece, or in the last byte, is found, and the row that differs is described by the beginning of
// each long value and a hash of the whole, not by the whole.
TEST_F(Verification, LongValuesAreComparedWholeAndDescribedShort) {
    target->execute("DELETE FROM \"Things\" WHERE \"Id\" = 6");
    Bytes raw(200000);
    for (size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(i * 7);
    source.rows[6][9] = raw;
    sendRow(6);
    sqlServer.results["SELECT * FROM [Things]"] = source;
    VerificationOptions keyed;
    keyed.keyColumns = {"Id"};
    const VerificationResult copied = verify(keyed);
    ASSERT_TRUE(copied.identical()) << (copied.differences.empty() ? "" : copied.differences[0]);
    const struct {
        size_t at;  // the byte changed in the target
        const char* said;
    } changes[] = {{150000, " differs: Raw source '00070E"}, {199999, "...' (400000 characters, hash "}};
    for (const auto& change : changes) {
        Bytes changed = raw;
        changed[change.at] ^= 1;
        target->executeWith("UPDATE \"Things\" SET \"Raw\" = ? WHERE \"Id\" = 6", {changed});
        const VerificationResult r = verify(keyed);
        EXPECT_EQ(r.onlyInSource, 1) << change.at;
        ASSERT_EQ(r.differences.size(), 1u) << change.at;
        const std::string& line = r.differences[0];
        EXPECT_NE(line.find(change.said), std::string::npos) << line;
        EXPECT_LT(line.size(), 600u) << line;
        target->executeWith("UPDATE \"Things\" SET \"Raw\" = ? WHERE \"Id\" = 6", {raw});
    }
}

// --bulk writes every value as the literal statements do: its copy verifies as identical too.
TEST_F(Verification, ABulkCopyVerifiesAsIdentical) {
    useDatabase("bulk.fdb");
    list2.clear();
    sendToFirebird("Things", source, true);
    for (const auto& box : ui.boxes) ADD_FAILURE() << box.text;
    auto bulk = firebird();
    const VerificationResult r = VerifyTable(*fake, "SELECT * FROM [Things]", *bulk, "SELECT * FROM \"Things\"",
                                             CopyDirection::kToFirebird, {});
    EXPECT_TRUE(r.identical()) << (r.differences.empty() ? "" : r.differences[0]);
    EXPECT_EQ(r.matching, 41);
    // And value for value the same as the copy made with a literal statement a row.
    const VerificationResult both = VerifyTable(*target, "SELECT * FROM \"Things\"", *bulk,
                                                "SELECT * FROM \"Things\"", CopyDirection::kToSqlServer, {});
    EXPECT_TRUE(both.identical()) << (both.differences.empty() ? "" : both.differences[0]);
}

TEST_F(Verification, ASampleComparesTheSameRowsOnBothSides) {
    VerificationOptions sample;
    sample.sample = 10;
    const VerificationResult r = verify(sample);
    EXPECT_TRUE(r.identical());
    EXPECT_GT(r.sourceRows, 0);
    EXPECT_LT(r.sourceRows, 41);
}

// A sample still compares the whole tables' row counts: a target short of any one row is
// different, whether or not the sample holds that row.
TEST_F(Verification, ASampleStillComparesTheRowCounts) {
    VerificationOptions sample;
    sample.sample = 10;
    for (int id = 0; id < 40; id += 8) {
        target->execute("DELETE FROM \"Things\" WHERE \"Id\" = " + std::to_string(id));
        const VerificationResult r = verify(sample);
        EXPECT_FALSE(r.identical()) << "row " << id << " missing";
        EXPECT_EQ(r.sourceTotal, 41);
        EXPECT_EQ(r.targetTotal, 40 - id / 8);
        EXPECT_FALSE(r.differences.empty());
    }
}

// The whole verification as the engine runs it: each table of the plan told to the observer and
// returned, in the plan's order, as values; a stop ends the table being read and leaves the rest.
class RecordingComparisons : public VerificationObserver {
public:
    void rowsRead(const std::string&, const char* side, long long done) override {
        ++reads;
        if (stopAt && done == stopAt && std::string(side) == "source") stop->request(15);
    }
    void tableCompared(const TableComparison& c) override { told.push_back(c.table); }
    long long reads = 0, stopAt = 0;
    StopRequest* stop = nullptr;
    std::vector<std::string> told;
};

TEST_F(Verification, TheEngineComparesEachTableOfThePlan) {
    using Status = TableComparison::Status;
    target->execute("CREATE TABLE \"Short\" (\"Id\" BIGINT)");
    sqlServer.results["SELECT * FROM [Short]"] = {{{"Id", 20, 8, 19, 0}}, {{std::int64_t{1}}, {std::int64_t{2}}}};
    target->execute("INSERT INTO \"Short\" VALUES (1)");
    const struct {
        const char* name;
        long long stopAt;  // a stop once the source has given so many rows of the first table
        bool stopFirst;
        std::vector<Status> statuses;
        std::vector<bool> identical;
    } cases[] = {
        {"every table compared", 0, false, {Status::kCompared, Status::kCompared, Status::kFailed}, {true, false, false}},
        {"a stop before the first", 0, true, {Status::kNotCompared, Status::kNotCompared, Status::kNotCompared},
         {false, false, false}},
        {"a stop in the first", 5, false, {Status::kStopped, Status::kNotCompared, Status::kNotCompared},
         {false, false, false}},
    };
    for (const auto& c : cases) {
        StopRequest stop;
        if (c.stopFirst) stop.request(15);
        VerificationPlan plan;
        plan.tables = {"Things", "Short", "Missing"};
        plan.stop = &stop;
        RecordingComparisons observer;
        observer.stopAt = c.stopAt;
        observer.stop = &stop;
        const auto comparisons = RunVerification(plan, {*fake, *target}, observer);
        ASSERT_EQ(comparisons.size(), 3u) << c.name;
        EXPECT_EQ(observer.told, (std::vector<std::string>{"Things", "Short", "Missing"})) << c.name;
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(comparisons[i].status, c.statuses[i]) << c.name << ": " << comparisons[i].table << ": "
                                                            << comparisons[i].why;
            EXPECT_EQ(comparisons[i].identical(), c.identical[i]) << c.name << ": " << comparisons[i].table;
        }
        if (c.stopFirst) {
            EXPECT_EQ(observer.reads, 0) << "nothing read after a stop";
        }
        if (c.stopAt) {
            EXPECT_EQ(comparisons[0].why.rfind("stopped", 0), 0u) << comparisons[0].why;
        }
        if (c.statuses[1] == Status::kCompared) {
            EXPECT_EQ(comparisons[1].rows.onlyInSource, 1) << "the row the target lacks";
            EXPECT_FALSE(comparisons[2].why.empty()) << "the driver's words for a table not there";
        }
    }
}

// A source that stops answering in the middle of a table is cancelled after the stall time-out
// and given up: that table failed, saying so, and the next one is not compared (nothing waits on
// it again); a stop likewise cancels the call under way.
TEST_F(Verification, AServerThatStopsAnsweringIsGivenUpWithinTheStallTimeout) {
    for (const bool byStop : {true, false}) {  // waitUntilBlocked then sees the one call blocked
        SCOPED_TRACE(byStop ? "a stop" : "the stall time-out");
        sqlServer.blockOn("movenext");
        StopRequest stop;
        VerificationPlan plan;
        plan.tables = {"Things", "Things"};
        plan.stop = &stop;
        plan.limits.stall = byStop ? std::chrono::hours(1) : std::chrono::milliseconds(50);
        RecordingComparisons observer;
        std::thread stopper([&] {
            if (sqlServer.waitUntilBlocked() && byStop) stop.request(15);
        });
        const auto comparisons = RunVerification(plan, {*fake, *target}, observer);
        stopper.join();
        ASSERT_EQ(comparisons.size(), 2u);
        EXPECT_EQ(comparisons[0].status, byStop ? TableComparison::Status::kStopped : TableComparison::Status::kFailed);
        if (!byStop) {
            EXPECT_NE(comparisons[0].why.find("stall time-out"), std::string::npos) << comparisons[0].why;
            EXPECT_NE(comparisons[1].why.find("given up"), std::string::npos) << comparisons[1].why;
        }
        EXPECT_EQ(comparisons[1].status, TableComparison::Status::kNotCompared);
        EXPECT_FALSE(sqlServer.cancelled.empty()) << "the call under way was cancelled";
        sqlServer.cancelled.clear();
    }
}

}  // namespace
}  // namespace tess
