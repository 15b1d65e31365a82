// Reading ahead on a thread of its own must change nothing the caller sees: the same rows, and each
// failure of the source at the same call, however the rows fall into the reader's batches.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/read_ahead.h"

namespace tess {
namespace {

enum class Fails { kNowhere, kEof, kValue, kMoveNext };

// Rows {n, "row n"} whose source fails at one call of one row.
class ScriptedRecordset : public Recordset {
public:
    ScriptedRecordset(long long rows, Fails fails, long long at, bool holdsRows, size_t textBytes = 0,
                      std::chrono::milliseconds perRow = {})
        : rows_(rows), fails_(fails), at_(at), holdsRows_(holdsRows), textBytes_(textBytes), perRow_(perRow) {
        load();
    }
    int fieldCount() const override { return 2; }
    const FieldInfo& field(int index) const override { return fields_.at(index); }
    const Value& value(int index) const override {
        if (fails_ == Fails::kValue && position_ == at_) throw DatabaseError("row " + std::to_string(at_) + " unreadable");
        return row_.at(index);
    }
    // A count that says nothing makes even a small table go through the reading thread.
    long long recordCount() const override { return countKnown ? rows_ : -1; }
    bool countKnown = true;
    mutable std::atomic<std::thread::id> reader{};  // the thread that asked last
    bool eof() const override {
        reader = std::this_thread::get_id();
        if (fails_ == Fails::kEof && position_ == at_) throw DatabaseError("link lost before row " + std::to_string(at_), true);
        return position_ >= rows_;
    }
    void moveNext() override {
        if (fails_ == Fails::kMoveNext && position_ == at_) throw DatabaseError("fetch after row " + std::to_string(at_) + " failed");
        std::this_thread::sleep_for(perRow_);
        ++position_;
        load();
    }
    void close() override {}
    const std::vector<Value>* currentRow() const override {
        if (!holdsRows_ || position_ >= rows_) return nullptr;
        value(0);  // fails as the values would
        return &row_;
    }
    long long position() const { return position_; }

private:
    void load() { row_ = {std::int64_t{position_}, std::string(textBytes_, 'x') + "row " + std::to_string(position_)}; }

    std::vector<FieldInfo> fields_{{"N", 20, 8, 19, 0}, {"T", 202, 50, 0, 0}};
    long long rows_;
    Fails fails_;
    long long at_;
    bool holdsRows_;
    size_t textBytes_;
    std::chrono::milliseconds perRow_;
    std::atomic<long long> position_ = 0;
    std::vector<Value> row_;
};

// What a copy's loop sees: each row's values or its failure, and how the reading ended.
std::string Trace(Recordset& rs) {
    std::string seen;
    for (;;) {
        try {
            if (rs.eof()) return seen + "end";
        } catch (const DatabaseError& e) {
            return seen + "eof failed: " + e.what() + (e.connectionLost() ? " (lost)" : "");
        }
        try {
            seen += std::to_string(std::get<std::int64_t>(rs.value(0))) + "=" + std::get<std::string>(rs.value(1)) + ";";
        } catch (const DatabaseError& e) {
            seen += std::string("read failed: ") + e.what() + ";";
        }
        try {
            rs.moveNext();
        } catch (const DatabaseError& e) {
            return seen + "moveNext failed: " + e.what();
        }
    }
}

TEST(ReadAhead, TheCallerSeesWhatTheSourceWouldHaveShown) {
    // Rows and failure places around the reader's batches of 256 rows; tables of fewer rows are read
    // in place, and must show the same.
    for (long long rows : {0LL, 1LL, 255LL, 256LL, 257LL, 1000LL})
        for (Fails fails : {Fails::kNowhere, Fails::kEof, Fails::kValue, Fails::kMoveNext})
            for (long long at : {0LL, 1LL, 255LL, 256LL, 511LL, 999LL})
                for (bool holdsRows : {true, false}) {
                    if (fails == Fails::kNowhere && at > 0) continue;
                    SCOPED_TRACE(testing::Message() << rows << " rows, failure kind " << static_cast<int>(fails)
                                                    << " at row " << at << (holdsRows ? ", rows held" : ""));
                    for (bool countKnown : {true, false}) {  // small tables: read in place, and by the thread
                        ScriptedRecordset direct(rows, fails, at, holdsRows), source(rows, fails, at, holdsRows);
                        source.countKnown = countKnown;
                        ReadAhead ahead(source);
                        EXPECT_EQ(Trace(ahead), Trace(direct)) << countKnown;
                    }
                }
}

// Rows of more than a batch's bytes each: every batch ends on its row, and the source moves past it
// only with the next batch; its failures still reach the caller at the same calls.
TEST(ReadAhead, LongRowsShowTheSameFailuresAtTheSameCalls) {
    for (long long rows : {0LL, 1LL, 2LL, 5LL})
        for (Fails fails : {Fails::kNowhere, Fails::kEof, Fails::kValue, Fails::kMoveNext})
            for (long long at : {0LL, 1LL, 4LL})
                for (bool holdsRows : {true, false}) {
                    if (fails == Fails::kNowhere && at > 0) continue;
                    SCOPED_TRACE(testing::Message() << rows << " rows, failure kind " << static_cast<int>(fails)
                                                    << " at row " << at << (holdsRows ? ", rows held" : ""));
                    ScriptedRecordset direct(rows, fails, at, holdsRows, 1'100'000),
                        source(rows, fails, at, holdsRows, 1'100'000);
                    source.countKnown = false;
                    ReadAhead ahead(source);
                    EXPECT_EQ(Trace(ahead), Trace(direct));
                }
}

// A long row is one at a time: the source, which fetches as it moves, is moved past a row of 5 MB
// only once the caller has passed the one before, so that two such rows are never held beside the
// one the caller writes.
TEST(ReadAhead, ALongRowIsFetchedOnlyOnceTheCallerHasPassedTheOneBefore) {
    ScriptedRecordset source(6, Fails::kNowhere, 0, true, 5'000'000);
    source.countKnown = false;
    ReadAhead ahead(source);
    for (long long k = 0; k < 6; ++k, ahead.moveNext()) {
        ASSERT_FALSE(ahead.eof());
        EXPECT_EQ(std::get<std::int64_t>(ahead.value(0)), k);
        // Once the reader has done all it may, never before: a reader that holds no bound would
        // otherwise pass only because it had not run yet.
        for (int wait = 0; wait < 10'000 && !ahead.readerIdle(); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(ahead.readerIdle()) << "the reader neither waits nor ends";
        EXPECT_EQ(source.position(), k) << "the source moved on before the caller passed row " << k;
    }
    EXPECT_TRUE(ahead.eof());
}

TEST(ReadAhead, KeepsTheShapeOfTheRows) {
    ScriptedRecordset source(3, Fails::kNowhere, 0, true);
    ReadAhead ahead(source);
    EXPECT_FALSE(ahead.eof());
    EXPECT_EQ(source.reader.load(), std::this_thread::get_id()) << "a table of three rows needs no thread";
    EXPECT_EQ(ahead.fieldCount(), 2);
    EXPECT_EQ(ahead.field(1).name, "T");
    EXPECT_EQ(ahead.recordCount(), 3);
    ASSERT_NE(ahead.currentRow(), nullptr);
    EXPECT_EQ(std::get<std::string>((*ahead.currentRow())[1]), "row 0");
}

TEST(ReadAhead, ReadsOnlySoFarAheadWhateverTheTableSize) {
    // Rows of 300 KB: the reader may hold a few batches of about 1 MB, never the table.
    ScriptedRecordset source(200, Fails::kNowhere, 0, true, 300'000);
    source.countKnown = false;
    {
        ReadAhead ahead(source);
        ASSERT_FALSE(ahead.eof());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_LE(source.position(), 20);
    }  // leaving while the reader waits for room must not hang
    ScriptedRecordset many(100'000, Fails::kNowhere, 0, false);
    ReadAhead ahead(many);
    ahead.moveNext();
    ahead.close();
    EXPECT_LT(many.position(), 2'000);
}

// A source that takes its time: the first rows reach the caller as they come, not a batch later.
TEST(ReadAhead, ASlowSourceHandsOverRowsAsTheyCome) {
    ScriptedRecordset source(100, Fails::kNowhere, 0, true, 0, std::chrono::milliseconds(10));
    source.countKnown = false;
    ReadAhead ahead(source);
    ASSERT_FALSE(ahead.eof());
    EXPECT_LT(source.position(), 100) << "the caller waited for the whole table";
    EXPECT_EQ(Trace(ahead).substr(0, 10), "0=row 0;1=");
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A source whose fetch hangs, as a server that stopped answering does, until the fetch is
// cancelled (then it fails as a cancelled fetch does) or the test lets it go on.
class HangingRecordset : public Recordset {
public:
    // `ignoresCancel`: as a driver whose server never reads the cancel; only the test lets it go.
    explicit HangingRecordset(bool ignoresCancel = false) : ignoresCancel_(ignoresCancel) {}
    int fieldCount() const override { return 1; }
    const FieldInfo& field(int) const override { return field_; }
    const Value& value(int) const override { return value_; }
    long long recordCount() const override { return -1; }
    bool eof() const override { return false; }
    void moveNext() override {
        std::unique_lock lock(mutex_);
        fetching_ = hanging_ = true;
        hung_.notify_all();
        hung_.wait(lock, [&] { return (cancelled_ && !ignoresCancel_) || released_; });
        fetching_ = false;
        if (!released_) throw DatabaseError("operation was cancelled");
    }
    void close() override {}
    void cancel() noexcept override {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        cancelledWhileFetching_ = cancelledWhileFetching_ || fetching_;
        hung_.notify_all();
    }
    void waitUntilHanging() {
        std::unique_lock lock(mutex_);
        hung_.wait(lock, [&] { return hanging_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        hung_.notify_all();
    }
    bool cancelled() {
        std::lock_guard lock(mutex_);
        return cancelled_;
    }
    bool cancelledWhileFetching() {
        std::lock_guard lock(mutex_);
        return cancelledWhileFetching_;
    }

private:
    FieldInfo field_{"N", 20, 8, 19, 0};
    Value value_{std::int64_t{1}};
    std::mutex mutex_;
    std::condition_variable hung_;
    const bool ignoresCancel_;
    bool hanging_ = false, fetching_ = false, cancelled_ = false, released_ = false;
    bool cancelledWhileFetching_ = false;
};

// Leaving a table whose source hangs does not wait for the source: the hanging fetch is cancelled.
TEST(ReadAhead, LeavingCancelsAFetchThatHangs) {
    HangingRecordset source;
    {
        ReadAhead rows(source, std::chrono::milliseconds(50));
        source.waitUntilHanging();
    }  // without the cancel, the destructor would wait here for ever
    EXPECT_TRUE(source.cancelled());
}

// A fetch that ends on its own as the reading stops is not cancelled under it: SQLite's ODBC driver
// freed a statement's results twice when its cancel met a fetch that was ending. Which of the two
// comes first varies, so the meeting is tried many times.
TEST(ReadAhead, LeavingLetsAFetchThatEndsFinish) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        HangingRecordset source;
        std::thread ending;
        {
            ReadAhead rows(source, std::chrono::hours(1));
            source.waitUntilHanging();
            ending = std::thread([&] { source.release(); });
        }
        ending.join();
        ASSERT_FALSE(source.cancelledWhileFetching()) << "attempt " << attempt;
    }
}

// A driver that ignores the cancel does not hold the copy: a shared reading leaves its reader in
// the driver, keeps itself and the source handed to it, and goes when the fetch comes out at last.
TEST(ReadAhead, AReaderThatIgnoresTheCancelIsLeftBehind) {
    auto owned = std::make_unique<HangingRecordset>(true);
    HangingRecordset& source = *owned;
    std::weak_ptr<ReadAhead> kept;
    {
        const auto rows = std::make_shared<ReadAhead>(source, std::chrono::milliseconds(20));
        kept = rows;
        source.waitUntilHanging();
        rows->close();  // returns though the fetch still hangs
        EXPECT_TRUE(source.cancelled());
        ASSERT_TRUE(rows->leftBehind());
        rows->adopt(std::move(owned));
    }
    EXPECT_FALSE(kept.expired()) << "kept by its reader, which still uses it";
    source.release();  // the last touch of the source: from here it is the reader's to end
    for (int i = 0; i < 1000 && !kept.expired(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(kept.expired()) << "gone with its reader";
}

// On the stack, the reading cannot outlive its owner: it waits for the reader however long.
TEST(ReadAhead, AReadingOnTheStackWaitsForItsReader) {
    HangingRecordset source(true);
    std::thread letGo;
    {
        ReadAhead rows(source, std::chrono::milliseconds(20));
        source.waitUntilHanging();
        letGo = std::thread([&] {
            while (!source.cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            source.release();
        });
        rows.close();
        EXPECT_FALSE(rows.leftBehind());
    }
    letGo.join();
}

}  // namespace
}  // namespace tess
