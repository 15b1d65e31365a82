#pragma once
// A request to stop a running transfer: set by a signal-watching thread or by a window that is
// being closed, read by the transfer between rows, which then commits what it wrote and ends.
#include <atomic>

namespace tess {

class StopRequest {
public:
    // `signal` is the signal's number, or 0 for a request from the program itself.
    void request(int signal = 0) {
        signal_.store(signal);
        requested_.store(true);
    }
    bool requested() const { return requested_.load(); }
    int signal() const { return signal_.load(); }

private:
    std::atomic<bool> requested_{false};
    std::atomic<int> signal_{0};
};

}  // namespace tess
