#include "platform/read_ahead.h"

#include <chrono>

#include "platform/object_state.h"

namespace tess {
namespace {

// A batch is handed over whole, so that the two threads meet once a batch rather than once a row;
// it ends at whichever limit comes first. At most kWaiting batches wait for the caller, which
// bounds the memory whatever the table's size.
constexpr size_t kRowsPerBatch = 256;
constexpr size_t kBytesPerBatch = 1 << 20;
constexpr size_t kWaiting = 2;
// Past this many bytes handed over and not yet passed by the caller, the reader waits: a table of
// long values holds one of them at a time, not a batch of them in each of the waiting places.
constexpr size_t kMostBytesAhead = 4 << 20;
// While the caller waits, a batch goes as soon as it has a few rows or its first row has waited a
// moment: few handovers from a fast source, no long wait on a slow one.
constexpr size_t kRowsForWaitingCaller = 32;
constexpr auto kWaitingCallerLatency = std::chrono::milliseconds(20);

}  // namespace

// What the caller may ask of the rows' shape is copied now: later the source belongs to the reader.
// A source that cannot tell it is left to fail where the rows are read.
ReadAhead::ReadAhead(Recordset& source, std::chrono::milliseconds patience) : source_(source), patience_(patience) {
    try {
        count_ = source.recordCount();
        for (int i = 0; i < source.fieldCount(); ++i) fields_.push_back(source.field(i));
    } catch (const std::exception&) {
    }
    // A table whose rows fit one batch is read in place, row by row as asked: a thread of its own
    // would cost more than its rows (a copy of many small tables started one a table).
    direct_ = count_ >= 0 && static_cast<size_t>(count_) < kRowsPerBatch;
    if (!direct_)
        reader_ = std::thread([this] {
            read();
            std::shared_ptr<ReadAhead> self;  // last: a reader left behind ends the reading it kept
            std::lock_guard lock(mutex_);
            readerDone_ = true;
            self = std::move(keptByReader_);
        });
}

ReadAhead::~ReadAhead() { close(); }

// A reader waiting on the driver (a server that stopped answering) is asked to give up, so that
// leaving never waits for the driver. A reader merely fetching its next row is let finish first:
// a driver need not bear a cancel racing a fetch that is ending (SQLite's ODBC driver frees the
// statement's results under it), and the reader stops between rows once it sees stop_.
void ReadAhead::close() {
    std::unique_lock lock(mutex_);
    stop_ = true;
    changed_.notify_all();
    if (!reader_.joinable()) return;
    // The reader clears inDriver_ and then takes the mutex to hand its batch over, so these waits
    // cannot miss its leaving.
    const auto out = [&] { return !inDriver_.load(); };
    if (!changed_.wait_for(lock, patience_, out)) {
        lock.unlock();
        source_.cancel();
        lock.lock();
        if (!changed_.wait_for(lock, patience_, out) && !readerDone_) {
            if (auto self = weak_from_this().lock()) keptByReader_ = std::move(self), leftBehind_ = true;
        }
    }
    lock.unlock();
    if (leftBehind_) reader_.detach();
    else reader_.join();
}

void ReadAhead::adopt(std::unique_ptr<Recordset> source) {
    std::lock_guard lock(mutex_);
    adopted_ = std::move(source);
}

bool ReadAhead::readerIdle() const {
    std::lock_guard lock(mutex_);
    return direct_ || waitingForRoom_ || readerDone_ || (!ready_.empty() && ready_.back().last);
}

void ReadAhead::read() {
    for (bool last = false; !last;) {
        Batch batch;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] {
                const bool room = stop_ || (ready_.size() < kWaiting && bytesAhead_ < kMostBytesAhead);
                waitingForRoom_ = !room;
                return room;
            });
            waitingForRoom_ = false;
            if (stop_) return;
            if (!spare_.empty()) {
                batch = std::move(spare_.back());
                spare_.pop_back();
            }
        }
        batch.used = 0;
        batch.bytes = 0;
        batch.moveDeferred = false;
        batch.eofFailure = batch.moveFailure = nullptr;
        inDriver_ = true;
        try {
            last = batch.last = fill(batch);
        } catch (...) {  // nothing the source throws may end the program: the caller is told at eof()
            last = batch.last = true;
            batch.eofFailure = std::current_exception();
        }
        inDriver_ = false;
        {
            std::lock_guard lock(mutex_);
            bytesAhead_ += batch.bytes;
            ready_.push_back(std::move(batch));
        }
        changed_.notify_all();
    }
}

// Reads rows into the batch until one of its limits; true once the reading has ended.
bool ReadAhead::fill(Batch& batch) {
    const auto started = std::chrono::steady_clock::now();
    size_t& bytes = batch.bytes;
    if (moveDeferred_) {
        moveDeferred_ = false;
        try {
            source_.moveNext();
        } catch (...) {
            batch.moveFailure = std::current_exception();
            return true;
        }
    }
    while (batch.used < kRowsPerBatch && bytes < kBytesPerBatch) {
        if (stop_.load(std::memory_order_relaxed)) return false;
        try {
            if (source_.eof()) return true;
        } catch (...) {
            batch.eofFailure = std::current_exception();
            return true;
        }
        if (batch.used == batch.rows.size()) batch.rows.emplace_back();
        Row& row = batch.rows[batch.used++];
        row.failure = nullptr;
        try {
            // Taken over, not copied: a long value is held once.
            if (!source_.takeCurrentRow(row.values)) {
                row.values.resize(static_cast<size_t>(source_.fieldCount()));
                for (size_t j = 0; j < row.values.size(); ++j) row.values[j] = source_.value(static_cast<int>(j));
            }
            bytes += RowFootprint(row.values);
        } catch (...) {
            row.failure = std::current_exception();
        }
        // A full batch's next row is fetched only once there is room for it: the source fetches
        // as it moves, and would hold the next long value beside those handed over.
        if (bytes >= kBytesPerBatch) {
            moveDeferred_ = batch.moveDeferred = true;
            return false;
        }
        try {
            source_.moveNext();
        } catch (...) {
            batch.moveFailure = std::current_exception();
            return true;
        }
        if (hungry_.load(std::memory_order_relaxed) &&
            (batch.used >= kRowsForWaitingCaller || std::chrono::steady_clock::now() - started >= kWaitingCallerLatency))
            break;
    }
    return false;
}

void ReadAhead::arrive() const {
    while (position_ == current_.used && !current_.last) {
        // Passed: a batch of long values keeps none of them for reuse, so that the next one is
        // not read beside it, and its bytes no longer hold the reader back.
        if (current_.bytes >= 2 * kBytesPerBatch) current_.rows.clear();
        Batch next;
        {
            std::unique_lock lock(mutex_);
            bytesAhead_ -= current_.bytes;
            current_.bytes = 0;
            changed_.notify_all();
            hungry_ = ready_.empty();
            changed_.wait(lock, [&] { return !ready_.empty() || stop_; });
            hungry_ = false;
            if (ready_.empty()) throw DatabaseError(kObjectClosed);
            next = std::move(ready_.front());
            ready_.pop_front();
            spare_.push_back(std::move(current_));
        }
        changed_.notify_all();
        current_ = std::move(next);
        position_ = 0;
    }
}

bool ReadAhead::eof() const {
    if (direct_) return source_.eof();
    arrive();
    if (position_ < current_.used) return false;
    if (current_.eofFailure) std::rethrow_exception(current_.eofFailure);
    if (current_.moveFailure) std::rethrow_exception(current_.moveFailure);
    return true;
}

const ReadAhead::Row& ReadAhead::row() const {
    if (eof()) throw DatabaseError(kNoCurrentRecord);
    const Row& row = current_.rows[position_];
    if (row.failure) std::rethrow_exception(row.failure);
    return row;
}

// A small table's row, read in place where the source holds its row together: no copy of a long value.
const std::vector<Value>& ReadAhead::directValues() const {
    if (source_.eof()) throw DatabaseError(kNoCurrentRecord);
    if (!directRead_) {
        directValues_ = source_.currentRow();
        if (!directValues_) {
            directRow_.resize(static_cast<size_t>(source_.fieldCount()));
            for (size_t j = 0; j < directRow_.size(); ++j) directRow_[j] = source_.value(static_cast<int>(j));
            directValues_ = &directRow_;
        }
        directRead_ = true;
    }
    return *directValues_;
}

// Every row is held together here; a row whose reading failed fails here, as its values would.
const std::vector<Value>* ReadAhead::currentRow() const {
    if (direct_) return source_.eof() ? nullptr : &directValues();
    arrive();
    return position_ < current_.used ? &row().values : nullptr;
}

const std::vector<Value>& ReadAhead::currentValues() const { return direct_ ? directValues() : row().values; }

const Value& ReadAhead::value(int index) const { return currentValues().at(static_cast<size_t>(index)); }

const FieldInfo& ReadAhead::field(int index) const { return fields_.at(static_cast<size_t>(index)); }

void ReadAhead::moveNext() {
    if (eof()) throw DatabaseError(kNoCurrentRecord);
    if (direct_) {
        directRead_ = false;
        return source_.moveNext();
    }
    ++position_;
    // The source's own MoveNext after this row, made with the next batch: its failure comes here.
    if (position_ == current_.used && current_.moveDeferred) arrive();
    // The source's own MoveNext failed after this row: the caller learns it here, as it would have.
    if (position_ == current_.used && current_.moveFailure) std::rethrow_exception(current_.moveFailure);
}

}  // namespace tess
