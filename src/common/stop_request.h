#pragma once
// A request to stop a running transfer: set by a signal-watching thread or by a window that is
// being closed, read by the transfer between rows, which then commits what it wrote and ends.
#include <atomic>
#include <functional>
#include <mutex>

namespace tess {

class StopRequest {
public:
    // `signal` is the signal's number, or 0 for a request from the program itself. A cancel set
    // by the running work runs at once, on the requesting thread.
    void request(int signal = 0) {
        signal_.store(signal);
        requested_.store(true);
        std::lock_guard lock(cancelling_);
        if (cancel_) cancel_();
    }
    bool requested() const { return requested_.load(); }
    int signal() const { return signal_.load(); }

private:
    friend class CancelOnStop;
    std::atomic<bool> requested_{false};
    std::atomic<int> signal_{0};
    // The work reads the request only between its calls; a call blocked in a driver (a lock wait,
    // a server that stopped answering) would keep it from ever reading it, so a request also
    // cancels what the work has under way. Guarded so that the work's cancel never runs after
    // the work has taken it back.
    mutable std::mutex cancelling_;
    mutable std::function<void()> cancel_;
};

// While it lives, a stop request also runs `cancel` (which must not throw).
class CancelOnStop {
public:
    CancelOnStop(const StopRequest* stop, std::function<void()> cancel) : stop_(stop) {
        if (!stop_) return;
        std::lock_guard lock(stop_->cancelling_);
        stop_->cancel_ = std::move(cancel);
    }
    ~CancelOnStop() {
        if (!stop_) return;
        std::lock_guard lock(stop_->cancelling_);
        stop_->cancel_ = nullptr;
    }
    CancelOnStop(const CancelOnStop&) = delete;
    CancelOnStop& operator=(const CancelOnStop&) = delete;

private:
    const StopRequest* stop_;
};

}  // namespace tess
