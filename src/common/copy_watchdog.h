#pragma once
// Watches a copy of a table (or the keys after it, a verification, a listing of tables) from a
// thread of its own, for the calls that never return: a server that stopped answering mid-copy, a
// lock that is never released. When neither a row nor a
// call has come through for the stall time, the calls under way are cancelled; once a cancel has
// been sent (the watchdog's own, or a stop's), a call that takes longer than the grace means a
// server that does not read it, and the connections are given up.
// A stop is left to the copy, which hears it between two calls and commits what it wrote: only
// when nothing comes through for the stop's patience (a call blocked in its driver) are the calls
// cancelled. A cancel sent at once could reach that commit, or leave a Firebird client that did
// not answer it to be given up, and the rows the stop keeps would go with its transaction.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace tess {

class CopyWatchdog {
public:
    using Clock = std::chrono::steady_clock;
    struct Limits {
        Clock::duration stall;  // zero: no stall time-out
        Clock::duration grace;
        Clock::duration stopPatience = std::chrono::seconds(2);
    };
    CopyWatchdog(Limits limits, std::function<void()> cancel, std::function<void()> abandon);
    ~CopyWatchdog();
    CopyWatchdog(const CopyWatchdog&) = delete;
    CopyWatchdog& operator=(const CopyWatchdog&) = delete;

    // A row or a call came through.
    void progress() noexcept;
    // While the copy waits for a person (a question, an error report), no time counts.
    void pause() noexcept;
    void resume() noexcept;
    // A cancel was sent from elsewhere: the grace runs from now.
    void cancelled() noexcept;
    // A stop was asked for: the calls are cancelled unless the copy hears it within the patience.
    void stopAsked() noexcept;
    // The copy heard the stop, and ends the table itself: nothing of it is cancelled for the stop.
    void stopHeard() noexcept;
    // The watchdog cancelled the calls because nothing came through for the stall time.
    bool stalled() const;
    // Watches the next table, with nothing counted from the one before.
    void rearm(Limits limits) noexcept;
    // Stops watching until rearmed; returns once no cancel or abandon is under way, so that none
    // reaches the next table.
    void disarm() noexcept;

private:
    void watch();
    // What is due now, under the lock: true when the watch acted (and the time moved on).
    bool act(std::unique_lock<std::mutex>& lock);

    Limits limits_;
    const std::function<void()> cancel_, abandon_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false, stalled_ = false, abandoned_ = false;
    bool armed_ = true, acting_ = false;
    int paused_ = 0;
    // Written for every row, so without the lock.
    std::atomic<Clock::rep> lastProgress_{Clock::now().time_since_epoch().count()};
    Clock::time_point lastProgress() const { return Clock::time_point(Clock::duration(lastProgress_.load())); }
    std::optional<Clock::time_point> cancelledAt_;
    std::optional<Clock::time_point> stopAskedAt_;  // not yet heard by the copy
    bool stopHeard_ = false;
    std::thread thread_;
};

}  // namespace tess
