#pragma once
// Reads a recordset's rows on a thread of its own while the caller writes the rows before them, so
// that a copy costs the slower of reading and writing rather than their sum. Every failure of the
// recordset reaches the caller at the very call where it would have come without the read-ahead:
// eof(), the row's values, or moveNext().
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/database.h"

namespace tess {

class ReadAhead final : public Recordset, public std::enable_shared_from_this<ReadAhead> {
public:
    // Reads from the source's current row on. Nobody else may touch the source until close() or
    // the destructor has stopped the reading; the source stays open for its owner to close.
    // A reader still in the driver when the reading stops is given `patience` to come out on its own
    // before its fetch is cancelled, and as long again after the cancel. One that stays in (a driver
    // that ignores the cancel) is waited for when the reading lives on the stack; when it is owned
    // by a shared_ptr, the reader is left behind instead (see leftBehind).
    explicit ReadAhead(Recordset& source, std::chrono::milliseconds patience = std::chrono::seconds(2));
    ~ReadAhead() override;
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    int fieldCount() const override { return static_cast<int>(fields_.size()); }
    const FieldInfo& field(int index) const override;
    const Value& value(int index) const override;
    long long recordCount() const override { return count_; }
    bool eof() const override;
    void moveNext() override;
    // Stops the reading; a reader waiting on the source is cancelled rather than waited for.
    void close() override;
    void cancel() noexcept override { source_.cancel(); }
    const std::vector<Value>* currentRow() const override;
    // The current row's values; throws as its reading failed, or where there is no current row.
    const std::vector<Value>& currentValues() const;
    // True once close() left the reader in a driver that ignored the cancel: the reading keeps
    // itself, and the source is the reader's until it comes out. The source must then be neither
    // closed nor destroyed by its owner, but handed over (adopt), to go when the reader is done.
    bool leftBehind() const { return leftBehind_; }
    // True while the reader reads nothing more until the caller moves on: it waits for room, or
    // has read to the end (or there is no reader). A test waits for this, not for a time.
    bool readerIdle() const;
    void adopt(std::unique_ptr<Recordset> source);

private:
    struct Row {
        std::vector<Value> values;
        std::exception_ptr failure;  // reading this row's values failed
    };
    // Rows in reading order; the last batch of all says how the reading ended.
    struct Batch {
        std::vector<Row> rows;  // rows[0, used) hold this batch's rows; the rest are kept for reuse
        size_t used = 0;
        size_t bytes = 0;  // the rows' footprint
        bool moveDeferred = false;  // the source moves past its last row with the next batch
        bool last = false;
        std::exception_ptr eofFailure, moveFailure;
    };

    void read();
    bool fill(Batch& batch);
    const Row& row() const;
    const std::vector<Value>& directValues() const;
    // Makes the current batch one with a row at the position, or the last one; waits for it.
    void arrive() const;

    Recordset& source_;
    const std::chrono::milliseconds patience_;
    std::vector<FieldInfo> fields_;
    long long count_ = -1;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    mutable std::deque<Batch> ready_;  // filled, waiting for the caller
    mutable std::vector<Batch> spare_;  // handed back by the caller, their buffers kept
    std::atomic<bool> stop_ = false;  // written under mutex_; read by the reader between rows too
    // The caller waits for rows: the reader hands over what it has soon rather than fill the batch,
    // so that a slow source never holds back rows already read (nor the window waiting for them).
    mutable std::atomic<bool> hungry_ = false;
    std::atomic<bool> inDriver_ = false;
    bool moveDeferred_ = false;  // the reader's: the next batch begins by moving the source
    mutable size_t bytesAhead_ = 0;  // of the batches handed over, the caller's current one included; under mutex_  // the reader is reading from the source

    bool direct_ = false;  // a small table: read in place, no thread
    mutable std::vector<Value> directRow_;  // where the source holds no row together
    mutable const std::vector<Value>* directValues_ = nullptr;
    mutable bool directRead_ = false;

    mutable Batch current_;
    mutable size_t position_ = 0;
    bool leftBehind_ = false;
    bool readerDone_ = false;                     // guarded by mutex_
    bool waitingForRoom_ = false;                 // guarded by mutex_: the reader holds back
    std::shared_ptr<ReadAhead> keptByReader_;     // guarded by mutex_: set when the reader is left behind
    std::unique_ptr<Recordset> adopted_;          // the source, handed over by its owner
    std::thread reader_;
};

}  // namespace tess
