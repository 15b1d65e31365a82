#include "common/copy_watchdog.h"

#include <algorithm>

namespace tess {

CopyWatchdog::CopyWatchdog(Limits limits, std::function<void()> cancel, std::function<void()> abandon)
    : limits_(limits), cancel_(std::move(cancel)), abandon_(std::move(abandon)), thread_([this] { watch(); }) {}

CopyWatchdog::~CopyWatchdog() {
    {
        std::lock_guard lock(mutex_);
        done_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void CopyWatchdog::progress() noexcept {
    lastProgress_.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
}

void CopyWatchdog::pause() noexcept {
    std::lock_guard lock(mutex_);
    ++paused_;
}

void CopyWatchdog::resume() noexcept {
    {
        std::lock_guard lock(mutex_);
        --paused_;
        progress();
        if (cancelledAt_) cancelledAt_ = lastProgress();
    }
    changed_.notify_all();
}

void CopyWatchdog::cancelled() noexcept {
    {
        std::lock_guard lock(mutex_);
        if (!cancelledAt_) cancelledAt_ = Clock::now();
    }
    changed_.notify_all();
}

void CopyWatchdog::stopAsked() noexcept {
    {
        std::lock_guard lock(mutex_);
        if (!stopHeard_ && !stopAskedAt_) stopAskedAt_ = Clock::now();
    }
    changed_.notify_all();
}

void CopyWatchdog::stopHeard() noexcept {
    std::lock_guard lock(mutex_);
    stopHeard_ = true;
    stopAskedAt_.reset();
}

bool CopyWatchdog::stalled() const {
    std::lock_guard lock(mutex_);
    return stalled_;
}

void CopyWatchdog::rearm(Limits limits) noexcept {
    {
        std::lock_guard lock(mutex_);
        limits_ = limits;
        stalled_ = abandoned_ = false;
        paused_ = 0;
        cancelledAt_.reset();
        stopAskedAt_.reset();
        stopHeard_ = false;
        progress();
        armed_ = true;
    }
    changed_.notify_all();
}

void CopyWatchdog::disarm() noexcept {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !acting_; });
    armed_ = false;
}

// The callbacks run without the lock, so that the copy's own thread is never held up by them.
bool CopyWatchdog::act(std::unique_lock<std::mutex>& lock) {
    if (paused_ > 0 || !armed_) return false;
    const auto now = Clock::now();
    const std::function<void()>* callback = nullptr;
    if (cancelledAt_ && !abandoned_ && now - std::max(lastProgress(), *cancelledAt_) >= limits_.grace) {
        abandoned_ = true;
        callback = &abandon_;
    } else if (stopAskedAt_ && !cancelledAt_ && now - std::max(lastProgress(), *stopAskedAt_) >= limits_.stopPatience) {
        cancelledAt_ = now;
        callback = &cancel_;
    } else if (limits_.stall > Clock::duration::zero() && !stalled_ && now - lastProgress() >= limits_.stall) {
        stalled_ = true;
        if (!cancelledAt_) cancelledAt_ = now;
        callback = &cancel_;
    }
    if (!callback) return false;
    acting_ = true;
    lock.unlock();
    (*callback)();
    lock.lock();
    acting_ = false;
    changed_.notify_all();
    return true;
}

void CopyWatchdog::watch() {
    std::unique_lock lock(mutex_);
    while (!done_) {
        if (!armed_) {
            changed_.wait(lock);
            continue;
        }
        if (act(lock)) continue;
        auto next = Clock::time_point::max();
        if (cancelledAt_ && !abandoned_) next = std::min(next, std::max(lastProgress(), *cancelledAt_) + limits_.grace);
        if (limits_.stall > Clock::duration::zero() && !stalled_) next = std::min(next, lastProgress() + limits_.stall);
        if (stopAskedAt_ && !cancelledAt_)
            next = std::min(next, std::max(lastProgress(), *stopAskedAt_) + limits_.stopPatience);
        if (next == Clock::time_point::max() || paused_ > 0)
            changed_.wait(lock);
        else
            changed_.wait_until(lock, next);
    }
}

}  // namespace tess
