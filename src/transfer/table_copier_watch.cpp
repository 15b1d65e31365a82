// What watches a table's copy from outside: a stop's cancel from another thread, the stall
// watchdog and the connections it gives up, and a person's answer, which no watchdog times.
#include "common/stop_request.h"
#include "platform/database.h"
#include "platform/read_ahead.h"
#include "transfer/table_copier.h"

namespace tess {

// A stop: while a table is watched, its copy hears the stop between two calls and commits what it
// wrote; the watchdog cancels only a call that does not come back (see CopyWatchdog).
void TableCopier::cancel() noexcept {
    std::lock_guard lock(watchdogMutex_);
    if (watchdog_) return watchdog_->stopAsked();
    cancelCalls();
}

// Only this thread changes watchdog_, so it reads it without the lock.
void TableCopier::stopHeard() const noexcept {
    if (watchdog_) watchdog_->stopHeard();
}

void TableCopier::cancelCalls() noexcept {
    if (ends_.source) ends_.source->cancel();
    if (ends_.target) ends_.target->cancel();
}

// A stall is the end the copy waits on: a cancel of the other end would refuse a healthy row there.
void TableCopier::cancelStalled() noexcept {
    const Waiting on = waitingOn_.load();
    if (on != Waiting::kTarget && ends_.source) ends_.source->cancel();
    if (on != Waiting::kSource && ends_.target) ends_.target->cancel();
}

void TableCopier::setWatchdog(CopyWatchdog* watchdog) {
    std::lock_guard lock(watchdogMutex_);
    watchdog_ = watchdog;
}

// A source given up for not answering cannot close either; that is no failure of the copy.
// A source whose reader was left in a driver that ignored the cancel is the reader's until it comes
// out: handed over, neither closed nor destroyed here.
void TableCopier::closeSource(std::unique_ptr<Recordset>& source) {
    if (const auto reader = std::exchange(leftReader_, nullptr)) {
        leftSource_ = true;
        return reader->adopt(std::move(source));
    }
    attempt(CopyStage::kCloseSource, [&] {
        try {
            source->close();
        } catch (const std::exception&) {
            if (!abandoned_) throw;
        }
    });
}

void TableCopier::abandon() noexcept {
    abandoned_ = true;
    if (ends_.source) ends_.source->abandon();
    if (ends_.target) ends_.target->abandon();
}

// Only this thread changes watchdog_, so it reads it without the lock.
void TableCopier::watched() {
    if (watchdog_) watchdog_->progress();
}

TableCopier::WaitingForAPerson::WaitingForAPerson(TableCopier& copier) : copier_(copier) {
    if (copier_.watchdog_) copier_.watchdog_->pause();
}

TableCopier::WaitingForAPerson::~WaitingForAPerson() {
    if (copier_.watchdog_) copier_.watchdog_->resume();
}

TableEnding::Interrupt TableCopier::interrupt() const {
    if (stopRequested()) return TableEnding::Interrupt::kStop;
    std::lock_guard lock(watchdogMutex_);
    return watchdog_ && watchdog_->stalled() ? TableEnding::Interrupt::kStall : TableEnding::Interrupt::kNone;
}

}  // namespace tess
